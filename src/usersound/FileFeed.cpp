#include "usersound/FileFeed.h"

#include "usersound/SoundFileReader.h"

#include "dsp/DoubledSound.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Reads that give nothing, in a row, before a file counts as failed: one is the early end of
// a file whose header claimed more, which goes back to the loop's start.
constexpr int patientEmptyReads = 2;

}

FileFeed::FileFeed(std::unique_ptr<SoundFileReader> reader, const LoopPlan &plan, float gain,
                   std::shared_ptr<const std::vector<float>> head, std::int64_t ringFrames, std::int64_t first,
                   std::shared_ptr<std::atomic<bool>> lost)
    : m_reader(std::move(reader))
    , m_plan(plan)
    , m_gain(gain)
    , m_head(std::move(head))
    , m_ring(ringFrames)
    , m_chunk(2 * chunkFrames)
    , m_doubler(chunkFrames)
    , m_seekTo(first)
    , m_lost(std::move(lost))
{
}

FileFeed::~FileFeed() = default;

bool FileFeed::topUp(std::int64_t most)
{
    const std::lock_guard lock(m_producing);
    return fill(most);
}

bool FileFeed::topUpUnlessBusy(std::int64_t most)
{
    const std::unique_lock lock(m_producing, std::try_to_lock);
    return lock.owns_lock() && fill(most);
}

bool FileFeed::fill(std::int64_t most)
{
    int empty = 0;
    std::int64_t room = std::min(m_ring.writable(), most);
    while (!hasFailed()) {
        // What the doubler holds back comes out with the next chunk, so it counts as written.
        const std::int64_t wanted = std::min(room / 2 - m_doubler.waiting(), chunkFrames);
        if (wanted <= 0)
            break;
        const std::int64_t got = produce(m_chunk.data(), wanted);
        if (got < 0 || (got == 0 && ++empty >= patientEmptyReads)) {
            fail();
            break;
        }
        if (got > 0)
            empty = 0;
        const std::int64_t doubled = doubleChunk(got);
        m_ring.write(m_doubler.doubled(), doubled);
        room -= doubled;
    }
    return !hasFailed() && m_ring.writable() >= 2 * chunkFrames;
}

// Both sides of the chunk at the sound's gain into the doubler. Only a long file's unmeasured
// stretches can go past the ceiling: they are held at it.
std::int64_t FileFeed::doubleChunk(std::int64_t frames) noexcept
{
    const float *samples = m_chunk.data();
    float *left = m_doubler.left();
    float *right = m_doubler.right();
    const float gain = m_gain;
    for (std::int64_t i = 0; i < frames; ++i) {
        left[i] = std::min(std::max(samples[2 * i] * gain, -1.0f), 1.0f) * DoubledSound::fullScale;
        right[i] = std::min(std::max(samples[2 * i + 1] * gain, -1.0f), 1.0f) * DoubledSound::fullScale;
    }
    return m_doubler.take(frames);
}

// The next frames of the loop, up to `frames`: 0 when the file ended before its loop did.
std::int64_t FileFeed::produce(float *stereo, std::int64_t frames)
{
    if (m_seekTo >= 0) {
        if (!m_reader->seek(m_seekTo))
            return -1;
        m_position = m_seekTo;
        m_seekTo = -1;
    }
    const std::int64_t fadeStart = m_plan.end - m_plan.fade;
    const std::int64_t stop = m_position < fadeStart ? fadeStart : m_plan.end;
    const std::int64_t got = m_reader->read(stereo, std::min(frames, stop - m_position));
    if (got < 0)
        return -1;
    if (got == 0) {
        m_seekTo = m_plan.start;
        return 0;
    }
    if (m_position >= fadeStart)
        crossFade(stereo, got);
    m_position += got;
    if (m_position >= m_plan.end)
        m_seekTo = m_plan.start;
    return got;
}

// Equal power: the end's weight is the cosine of a quarter turn's share, the head's the sine.
void FileFeed::crossFade(float *stereo, std::int64_t frames) const
{
    const std::int64_t into = m_position - (m_plan.end - m_plan.fade);
    const float *head = m_head->data();
    const double quarter = std::numbers::pi / 2.0 / static_cast<double>(m_plan.fade);
    for (std::int64_t i = 0; i < frames; ++i) {
        const std::int64_t t = into + i;
        const double angle = (static_cast<double>(t) + 0.5) * quarter;
        const auto out = static_cast<float>(std::cos(angle));
        const auto in = static_cast<float>(std::sin(angle));
        stereo[2 * i] = stereo[2 * i] * out + head[2 * t] * in;
        stereo[2 * i + 1] = stereo[2 * i + 1] * out + head[2 * t + 1] * in;
    }
}

void FileFeed::fail()
{
    m_lost->store(true, std::memory_order_release);
    m_failed.store(true, std::memory_order_release);
}
