#include "usersound/StreamedSound.h"

#include "usersound/FileDecoder.h"
#include "usersound/FileFeed.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double fadeSeconds = 0.005;

}

StreamedSound::StreamedSound(std::shared_ptr<FileFeed> feed, int rate, bool offline, FileDecoder &decoder)
    : m_feed(std::move(feed))
    , m_decoder(decoder)
    , m_rate(rate)
    , m_offline(offline)
    , m_reserve(std::max<std::int64_t>(1, std::llround(fadeSeconds * 2 * rate)))
    , m_step(1.0f / static_cast<float>(m_reserve))
{
}

StreamedSound::~StreamedSound()
{
    m_feed->abandon();
}

void StreamedSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    FrameRing &ring = m_feed->ring();
    const auto wanted = static_cast<std::int64_t>(frames);
    if (m_offline)
        keepUp(wanted);
    const std::int64_t waiting = ring.readable();
    const bool enough = waiting >= wanted + m_reserve;
    if (enough && m_level == 1.0f) {
        ring.read(left, right, wanted);
        return;
    }
    if (!enough && !m_starved)
        m_underruns.fetch_add(1, std::memory_order_relaxed);
    m_starved = !enough;
    // Fading out takes only the frames the fade needs; the rest of the block is silence.
    const auto fadeLeft = static_cast<std::int64_t>(std::ceil(m_level / m_step));
    const std::int64_t taken = enough ? wanted : std::min({wanted, waiting, fadeLeft});
    ring.read(left, right, taken);
    std::fill(left + taken, left + frames, 0.0f);
    std::fill(right + taken, right + frames, 0.0f);
    ramp(left, right, frames, enough);
}

bool StreamedSound::generateSamples(std::int16_t *stereo, std::size_t frames) noexcept
{
    FrameRing &ring = m_feed->ring();
    const auto wanted = static_cast<std::int64_t>(frames);
    if (m_offline)
        keepUp(wanted);
    if (m_level != 1.0f || ring.readable() < wanted + m_reserve)
        return false;
    ring.read(stereo, wanted);
    return true;
}

void StreamedSound::keepUp(std::int64_t frames) noexcept
{
    FrameRing &ring = m_feed->ring();
    if (ring.readable() < ring.capacity() / 2)
        m_decoder.wake();
    while (ring.readable() < frames + m_reserve && m_feed->topUp(frames + m_reserve))
        ;
}

void StreamedSound::ramp(float *left, float *right, std::size_t frames, bool rising) noexcept
{
    const float step = rising ? m_step : -m_step;
    float level = m_level;
    for (std::size_t i = 0; i < frames; ++i) {
        level = std::clamp(level + step, 0.0f, 1.0f);
        left[i] *= level;
        right[i] *= level;
    }
    m_level = level;
}
