#include "usersound/FrameRing.h"

#include <algorithm>

FrameRing::FrameRing(std::int64_t capacity)
    : m_capacity(capacity)
    , m_mask(capacity - 1)
    , m_frames(std::make_unique<float[]>(static_cast<std::size_t>(2 * capacity)))
{
}

std::int64_t FrameRing::writable() const noexcept
{
    return m_capacity - (m_written.load(std::memory_order_relaxed) - m_read.load(std::memory_order_acquire));
}

void FrameRing::write(const float *stereo, std::int64_t count) noexcept
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

void FrameRing::read(float *left, float *right, std::int64_t count) noexcept
{
    const std::int64_t read = m_read.load(std::memory_order_relaxed);
    const float *frames = m_frames.get();
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t at = (read + i) & m_mask;
        left[i] = frames[2 * at];
        right[i] = frames[2 * at + 1];
    }
    m_read.store(read + count, std::memory_order_release);
}
