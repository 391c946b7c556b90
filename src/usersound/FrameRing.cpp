#include "usersound/FrameRing.h"

#include "dsp/DoubledSound.h"

#include <algorithm>

namespace {

constexpr float fromSample = 1.0f / DoubledSound::fullScale;

void split(const std::int16_t *stereo, std::int64_t count, float *left, float *right) noexcept
{
    for (std::int64_t i = 0; i < count; ++i) {
        left[i] = static_cast<float>(stereo[2 * i]) * fromSample;
        right[i] = static_cast<float>(stereo[2 * i + 1]) * fromSample;
    }
}

}

FrameRing::FrameRing(std::int64_t capacity)
    : m_capacity(capacity)
    , m_mask(capacity - 1)
    , m_frames(std::make_unique<std::int16_t[]>(static_cast<std::size_t>(2 * capacity)))
{
}

std::int64_t FrameRing::writable() const noexcept
{
    return m_capacity - (m_written.load(std::memory_order_relaxed) - m_read.load(std::memory_order_acquire));
}

void FrameRing::write(const std::int16_t *stereo, std::int64_t count) noexcept
{
    const std::int64_t written = m_written.load(std::memory_order_relaxed);
    const std::int64_t at = written & m_mask;
    const std::int64_t first = std::min(count, m_capacity - at);
    std::copy_n(stereo, 2 * first, m_frames.get() + 2 * at);
    std::copy_n(stereo + 2 * first, 2 * (count - first), m_frames.get());
    m_written.store(written + count, std::memory_order_release);
}

std::int64_t FrameRing::readable() const noexcept
{
    return m_written.load(std::memory_order_acquire) - m_read.load(std::memory_order_relaxed);
}

// Hands `copy` the next `count` frames as one or two contiguous runs, with where each run
// starts among them, and lets the writer have their room.
template <typename Copy>
void FrameRing::take(std::int64_t count, Copy copy) noexcept
{
    const std::int64_t read = m_read.load(std::memory_order_relaxed);
    const std::int64_t at = read & m_mask;
    const std::int64_t first = std::min(count, m_capacity - at);
    copy(m_frames.get() + 2 * at, first, 0);
    copy(m_frames.get(), count - first, first);
    m_read.store(read + count, std::memory_order_release);
}

void FrameRing::read(float *left, float *right, std::int64_t count) noexcept
{
    take(count, [&](const std::int16_t *run, std::int64_t frames, std::int64_t offset) {
        split(run, frames, left + offset, right + offset);
    });
}

void FrameRing::read(std::int16_t *stereo, std::int64_t count) noexcept
{
    take(count, [&](const std::int16_t *run, std::int64_t frames, std::int64_t offset) {
        std::copy_n(run, 2 * frames, stereo + 2 * offset);
    });
    // The writer's frames sit in its core's cache: the next read's are fetched now, so that
    // they are near when it comes, rather than line by line as it copies them.
    const std::int64_t next = m_read.load(std::memory_order_relaxed) & m_mask;
    const auto *from = reinterpret_cast<const char *>(m_frames.get() + 2 * next);
    const std::int64_t bytes = 4 * std::min(count, m_capacity - next);
    for (std::int64_t byte = 0; byte < bytes; byte += 64)
        __builtin_prefetch(from + byte);
}
