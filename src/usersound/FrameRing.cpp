#include "usersound/FrameRing.h"

#include <algorithm>

namespace {

constexpr float fromSample = 1.0f / 32768.0f;

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

void FrameRing::read(float *left, float *right, std::int64_t count) noexcept
{
    const std::int64_t read = m_read.load(std::memory_order_relaxed);
    const std::int64_t at = read & m_mask;
    const std::int64_t first = std::min(count, m_capacity - at);
    split(m_frames.get() + 2 * at, first, left, right);
    split(m_frames.get(), count - first, left + first, right + first);
    m_read.store(read + count, std::memory_order_release);
}

void FrameRing::read(std::int16_t *stereo, std::int64_t count) noexcept
{
    const std::int64_t read = m_read.load(std::memory_order_relaxed);
    const std::int64_t at = read & m_mask;
    const std::int64_t first = std::min(count, m_capacity - at);
    std::copy_n(m_frames.get() + 2 * at, 2 * first, stereo);
    std::copy_n(m_frames.get(), 2 * (count - first), stereo + 2 * first);
    m_read.store(read + count, std::memory_order_release);
    // The writer's frames sit in its core's cache: the next read's are fetched now, so that
    // they are near when it comes, rather than line by line as it copies them.
    const auto *next = reinterpret_cast<const char *>(m_frames.get() + 2 * ((read + count) & m_mask));
    const auto *end = reinterpret_cast<const char *>(m_frames.get() + 2 * m_capacity);
    for (std::int64_t byte = 0; byte < 4 * count && next + byte < end; byte += 64)
        __builtin_prefetch(next + byte);
}
