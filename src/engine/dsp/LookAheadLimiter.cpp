#include "engine/dsp/LookAheadLimiter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float thresholdDecibels = -1.0f;
constexpr float releaseSeconds = 0.25f;
constexpr float averageSeconds = 0.002f;
constexpr float holdSeconds = 0.02f;
// A release this close to one is one: the last step is far below anything audible.
constexpr float unitySnap = 1e-6f;

}

LookAheadLimiter::LookAheadLimiter(int sampleRate)
    : m_threshold(std::pow(10.0f, thresholdDecibels / 20.0f))
    , m_release(1.0f - std::exp(-1.0f / (releaseSeconds * static_cast<float>(sampleRate))))
    , m_average(std::max(1, static_cast<int>(std::lround(averageSeconds * sampleRate))))
    , m_hold(std::max(2 * m_average - 1, static_cast<int>(std::lround(holdSeconds * sampleRate))))
    , m_delayFrames(2 * m_average - 2)
    , m_delay(static_cast<std::size_t>(std::max(1, m_delayFrames)) * 2, 0.0f)
    , m_requestFrame(static_cast<std::size_t>(m_hold) + 1)
    , m_requestGain(static_cast<std::size_t>(m_hold) + 1)
    , m_firstAverage(static_cast<std::size_t>(m_average), 1.0f)
    , m_secondAverage(static_cast<std::size_t>(m_average), 1.0f)
    , m_firstSum(m_average)
    , m_secondSum(m_average)
{
}

void LookAheadLimiter::process(float *interleavedStereo, std::size_t frames) noexcept
{
    if (m_idle) {
        float peak = 0.0f;
        for (std::size_t i = 0; i < frames * 2; ++i)
            peak = std::max(peak, std::fabs(interleavedStereo[i]));
        if (peak <= m_threshold) {
            processIdle(interleavedStereo, frames);
            return;
        }
        m_idle = false;
        m_framesAtUnity = 0;
    }
    for (std::size_t i = 0; i < frames; ++i)
        processFrame(interleavedStereo + 2 * i);
    becomeIdleIfSettled();
}

void LookAheadLimiter::processIdle(float *interleavedStereo, std::size_t frames) noexcept
{
    // Every gain in the chain is exactly one: only the delay runs.
    m_frame += static_cast<long long>(frames);
    if (m_delayFrames == 0)
        return;
    for (std::size_t i = 0; i < frames; ++i) {
        float *slot = m_delay.data() + 2 * m_delayPosition;
        std::swap(slot[0], interleavedStereo[2 * i]);
        std::swap(slot[1], interleavedStereo[2 * i + 1]);
        if (++m_delayPosition == m_delayFrames)
            m_delayPosition = 0;
    }
}

void LookAheadLimiter::processFrame(float *frame) noexcept
{
    const int capacity = static_cast<int>(m_requestGain.size());
    // Ring positions wrap by a comparison: a division per frame would cost more than the rest.
    const auto ringSlot = [capacity](int position) {
        return static_cast<std::size_t>(position >= capacity ? position - capacity : position);
    };
    const float peak = std::max(std::fabs(frame[0]), std::fabs(frame[1]));
    if (peak > m_threshold) {
        // Keep the ring of requests rising from its front: a new, smaller request makes
        // every larger one behind it irrelevant.
        const float request = m_threshold / peak;
        while (m_requestCount > 0 && m_requestGain[ringSlot(m_requestFirst + m_requestCount - 1)] >= request)
            --m_requestCount;
        const std::size_t slot = ringSlot(m_requestFirst + m_requestCount);
        m_requestFrame[slot] = m_frame;
        m_requestGain[slot] = request;
        ++m_requestCount;
    }
    while (m_requestCount > 0 && m_requestFrame[static_cast<std::size_t>(m_requestFirst)] <= m_frame - m_hold) {
        m_requestFirst = static_cast<int>(ringSlot(m_requestFirst + 1));
        --m_requestCount;
    }
    ++m_frame;
    const float held = m_requestCount > 0 ? m_requestGain[static_cast<std::size_t>(m_requestFirst)] : 1.0f;

    if (held < m_released) {
        m_released = held;
    } else {
        m_released += (held - m_released) * m_release;
        if (held == 1.0f && m_released > 1.0f - unitySnap)
            m_released = 1.0f;
    }
    m_framesAtUnity = m_released == 1.0f ? m_framesAtUnity + 1 : 0;

    const auto position = static_cast<std::size_t>(m_averagePosition);
    m_firstSum += m_released - m_firstAverage[position];
    m_firstAverage[position] = m_released;
    const float first = static_cast<float>(m_firstSum / m_average);
    m_secondSum += first - m_secondAverage[position];
    m_secondAverage[position] = first;
    if (++m_averagePosition == m_average)
        m_averagePosition = 0;
    const float gain = std::min(1.0f, static_cast<float>(m_secondSum / m_average));

    float left = frame[0];
    float right = frame[1];
    if (m_delayFrames > 0) {
        float *slot = m_delay.data() + 2 * m_delayPosition;
        std::swap(slot[0], left);
        std::swap(slot[1], right);
        if (++m_delayPosition == m_delayFrames)
            m_delayPosition = 0;
    }
    frame[0] = std::clamp(left * gain, -m_threshold, m_threshold);
    frame[1] = std::clamp(right * gain, -m_threshold, m_threshold);
}

void LookAheadLimiter::becomeIdleIfSettled() noexcept
{
    // Once both averages hold nothing but ones the chain is exactly at unity again; reset
    // the running sums so that rounding never builds up over a long night.
    if (m_requestCount > 0 || m_framesAtUnity < 2LL * m_average)
        return;
    std::fill(m_firstAverage.begin(), m_firstAverage.end(), 1.0f);
    std::fill(m_secondAverage.begin(), m_secondAverage.end(), 1.0f);
    m_firstSum = m_average;
    m_secondSum = m_average;
    m_idle = true;
}
