#include "dsp/LookAheadLimiter.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr float thresholdDecibels = -1.0f;
constexpr float releaseSeconds = 0.25f;
constexpr float averageSeconds = 0.002f;
constexpr float holdSeconds = 0.02f;
// A release this close to one is one: the last step is far below anything audible.
constexpr float unitySnap = 1e-6f;
// Blocks are cut into chunks so that the per-frame scratch is allocated once, up front.
constexpr std::size_t chunkFrames = 512;
// Loops over the frames of a chunk run in groups of this many: a fixed length lets the
// compiler vectorise them even where its cost model refuses loops of unknown length. The
// functions with such loops stay out of line, where it knows that their buffers are apart.
constexpr std::size_t lanes = 8;

std::size_t groupedFrames(std::size_t frames)
{
    return frames - frames % lanes;
}

float peakOf(const float *interleavedStereo, std::size_t frames) noexcept
{
    float peaks[lanes] = {};
    const std::size_t samples = 2 * frames;
    const std::size_t grouped = groupedFrames(samples);
    for (std::size_t i = 0; i < grouped; i += lanes) {
        for (std::size_t lane = 0; lane < lanes; ++lane)
            peaks[lane] = std::max(peaks[lane], std::fabs(interleavedStereo[i + lane]));
    }
    for (std::size_t i = grouped; i < samples; ++i)
        peaks[0] = std::max(peaks[0], std::fabs(interleavedStereo[i]));
    return *std::max_element(std::begin(peaks), std::end(peaks));
}

// A peak at or under the threshold (or not a number) asks for exactly one, as x / x is
// exact; any peak over it asks for less than one, since the threshold lies in [0.5, 1).
float requestOfFrame(const float *frame, float threshold) noexcept
{
    return threshold / std::max(threshold, std::max(std::fabs(frame[0]), std::fabs(frame[1])));
}

[[gnu::noinline]] void measureRequests(const float *__restrict interleavedStereo, float *__restrict requests,
                                       std::size_t frames, float threshold) noexcept
{
    const std::size_t grouped = groupedFrames(frames);
    for (std::size_t i = 0; i < grouped; i += lanes) {
        for (std::size_t frame = i; frame < i + lanes; ++frame)
            requests[frame] = requestOfFrame(interleavedStereo + 2 * frame, threshold);
    }
    for (std::size_t frame = grouped; frame < frames; ++frame)
        requests[frame] = requestOfFrame(interleavedStereo + 2 * frame, threshold);
}

void applyFrameGain(const float *delayed, float gain, float *out, float threshold) noexcept
{
    out[0] = std::clamp(delayed[0] * gain, -threshold, threshold);
    out[1] = std::clamp(delayed[1] * gain, -threshold, threshold);
}

[[gnu::noinline]] void applyGains(const float *__restrict delayed, const float *__restrict gains,
                                  float *__restrict interleavedStereo, std::size_t frames, float threshold) noexcept
{
    const std::size_t grouped = groupedFrames(frames);
    for (std::size_t i = 0; i < grouped; i += lanes) {
        for (std::size_t frame = i; frame < i + lanes; ++frame)
            applyFrameGain(delayed + 2 * frame, gains[frame], interleavedStereo + 2 * frame, threshold);
    }
    for (std::size_t frame = grouped; frame < frames; ++frame)
        applyFrameGain(delayed + 2 * frame, gains[frame], interleavedStereo + 2 * frame, threshold);
}

}

LookAheadLimiter::LookAheadLimiter(int sampleRate)
    : m_threshold(std::pow(10.0f, thresholdDecibels / 20.0f))
    , m_release(1.0f - std::exp(-1.0f / (releaseSeconds * static_cast<float>(sampleRate))))
    , m_average(std::max(1, static_cast<int>(std::lround(averageSeconds * sampleRate))))
    , m_inverseAverage(1.0 / m_average)
    , m_hold(std::max(2 * m_average - 1, static_cast<int>(std::lround(holdSeconds * sampleRate))))
    , m_delayFrames(2 * m_average - 2)
    , m_delay((static_cast<std::size_t>(m_delayFrames) + chunkFrames) * 2, 0.0f)
    , m_gains(chunkFrames)
    , m_blockRequests(static_cast<std::size_t>(m_hold))
    , m_laterInPreviousBlock(static_cast<std::size_t>(m_hold) + 1, 1.0f)
    , m_releasedHistory(static_cast<std::size_t>(m_average) + chunkFrames, 1.0f)
    , m_firstHistory(static_cast<std::size_t>(m_average) + chunkFrames, 1.0f)
    , m_firstSum(m_average)
    , m_secondSum(m_average)
{
}

void LookAheadLimiter::process(float *interleavedStereo, std::size_t frames) noexcept
{
    if (m_idle) {
        if (peakOf(interleavedStereo, frames) <= m_threshold) {
            delayOnly(interleavedStereo, frames);
            return;
        }
        m_idle = false;
        m_framesAtUnity = 0;
    }
    for (std::size_t done = 0; done < frames; done += chunkFrames)
        limitChunk(interleavedStereo + 2 * done, std::min(chunkFrames, frames - done));
    becomeIdleIfSettled();
}

void LookAheadLimiter::delayOnly(float *interleavedStereo, std::size_t frames) noexcept
{
    // Every gain in the chain is exactly one.
    for (std::size_t done = 0; done < frames; done += chunkFrames) {
        const std::size_t chunk = std::min(chunkFrames, frames - done);
        float *samples = interleavedStereo + 2 * done;
        enterDelay(samples, chunk);
        std::copy_n(m_delay.data(), 2 * chunk, samples);
        leaveDelay(chunk);
    }
}

void LookAheadLimiter::limitChunk(float *interleavedStereo, std::size_t frames) noexcept
{
    // Only the gain chain has to go frame by frame; all before and after it runs over the
    // whole chunk at once.
    measureRequests(interleavedStereo, m_gains.data(), frames, m_threshold);
    followRequests(frames);
    countFramesAtUnity(frames);
    keepAverageHistories(frames);
    enterDelay(interleavedStereo, frames);
    applyGains(m_delay.data(), m_gains.data(), interleavedStereo, frames, m_threshold);
    leaveDelay(frames);
}

void LookAheadLimiter::followRequests(std::size_t frames) noexcept
{
    // The state lives in locals through the loop: stores to the float arrays could alias
    // the members and would force them back to memory on every frame.
    float *gains = m_gains.data();
    float *blockRequests = m_blockRequests.data();
    const float *laterInPreviousBlock = m_laterInPreviousBlock.data();
    const auto average = static_cast<std::size_t>(m_average);
    float *releasedHistory = m_releasedHistory.data();
    float *firstHistory = m_firstHistory.data();
    const float release = m_release;
    const double inverseAverage = m_inverseAverage;
    float released = m_released;
    double firstSum = m_firstSum;
    double secondSum = m_secondSum;

    std::size_t i = 0;
    while (i < frames) {
        int position = m_blockPosition;
        float smallestInBlock = m_smallestInBlock;
        const std::size_t end = std::min(frames, i + static_cast<std::size_t>(m_hold - position));
        for (; i < end; ++i, ++position) {
            const float request = gains[i];
            blockRequests[position] = request;
            smallestInBlock = std::min(smallestInBlock, request);
            const float held = std::min(laterInPreviousBlock[position + 1], smallestInBlock);

            // A release step never passes the held gain, so the smaller of the two is the
            // held gain exactly when it drops below the release.
            released = std::min(held, released + (held - released) * release);
            if (held == 1.0f && released > 1.0f - unitySnap)
                released = 1.0f;

            firstSum += released - releasedHistory[i];
            releasedHistory[i + average] = released;
            // Multiplying by the inverse: two divisions per frame would cost more than the rest.
            const float first = static_cast<float>(firstSum * inverseAverage);
            secondSum += first - firstHistory[i];
            firstHistory[i + average] = first;
            gains[i] = std::min(1.0f, static_cast<float>(secondSum * inverseAverage));
        }
        m_blockPosition = position;
        m_smallestInBlock = smallestInBlock;
        if (position == m_hold)
            closeHoldBlock();
    }

    m_released = released;
    m_firstSum = firstSum;
    m_secondSum = secondSum;
}

void LookAheadLimiter::closeHoldBlock() noexcept
{
    // The entry past the end stands for an empty rest, so a frame at the end of a block
    // needs no case of its own.
    float smallest = 1.0f;
    m_laterInPreviousBlock[static_cast<std::size_t>(m_hold)] = smallest;
    for (auto position = static_cast<std::size_t>(m_hold); position-- > 0;) {
        smallest = std::min(smallest, m_blockRequests[position]);
        m_laterInPreviousBlock[position] = smallest;
    }
    m_blockPosition = 0;
    m_smallestInBlock = 1.0f;
}

void LookAheadLimiter::countFramesAtUnity(std::size_t frames) noexcept
{
    const float *released = m_releasedHistory.data() + m_average;
    std::size_t atUnity = 0;
    while (atUnity < frames && released[frames - 1 - atUnity] == 1.0f)
        ++atUnity;
    m_framesAtUnity = atUnity == frames ? m_framesAtUnity + static_cast<long long>(frames)
                                        : static_cast<long long>(atUnity);
}

void LookAheadLimiter::keepAverageHistories(std::size_t frames) noexcept
{
    for (auto *history : {&m_releasedHistory, &m_firstHistory}) {
        const auto kept = history->begin() + static_cast<std::ptrdiff_t>(frames);
        std::copy(kept, kept + m_average, history->begin());
    }
}

void LookAheadLimiter::enterDelay(const float *interleavedStereo, std::size_t frames) noexcept
{
    // The chunk's output is then the first `frames` frames of the line.
    std::copy_n(interleavedStereo, 2 * frames, m_delay.data() + 2 * m_delayFrames);
}

void LookAheadLimiter::leaveDelay(std::size_t frames) noexcept
{
    const auto kept = m_delay.begin() + static_cast<std::ptrdiff_t>(2 * frames);
    std::copy(kept, kept + 2 * m_delayFrames, m_delay.begin());
}

void LookAheadLimiter::becomeIdleIfSettled() noexcept
{
    // A request in the hold keeps the release below one, so frames at unity also mean that
    // the hold is empty. Once both averages hold nothing but ones the chain is exactly at
    // unity again; reset the running sums so that rounding never builds up over a long night.
    if (m_framesAtUnity < 2LL * m_average)
        return;
    const auto average = static_cast<std::ptrdiff_t>(m_average);
    std::fill(m_releasedHistory.begin(), m_releasedHistory.begin() + average, 1.0f);
    std::fill(m_firstHistory.begin(), m_firstHistory.begin() + average, 1.0f);
    m_firstSum = m_average;
    m_secondSum = m_average;
    // The hold starts again as new: its blocks may align anywhere.
    std::fill(m_laterInPreviousBlock.begin(), m_laterInPreviousBlock.end(), 1.0f);
    m_blockPosition = 0;
    m_smallestInBlock = 1.0f;
    m_idle = true;
}
