#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

// A lock-free ring of interleaved stereo 16-bit frames between one writer and one reader, on
// two threads: the decoder writes what it read from a file, doubled, the audio thread takes
// it. Neither side ever waits or allocates; each sees the other's frames through the acquire
// and release of a position.
class FrameRing
{
public:
    // Holds `capacity` frames, a power of two.
    explicit FrameRing(std::int64_t capacity);

    std::int64_t capacity() const { return m_capacity; }

    // Writer: how many frames fit now, and appends `count` frames of them.
    std::int64_t writable() const noexcept;
    void write(const std::int16_t *stereo, std::int64_t count) noexcept;

    // Reader: how many frames wait, and takes `count` of them apart into left and right, at
    // a full scale of 1.
    std::int64_t readable() const noexcept;
    void read(float *left, float *right, std::int64_t count) noexcept;
    // Takes `count` of them as they are.
    void read(std::int16_t *stereo, std::int64_t count) noexcept;

private:
    template <typename Copy>
    void take(std::int64_t count, Copy copy) noexcept;

    std::int64_t m_capacity;
    std::int64_t m_mask;
    std::unique_ptr<std::int16_t[]> m_frames;
    alignas(64) std::atomic<std::int64_t> m_written{0};
    alignas(64) std::atomic<std::int64_t> m_read{0};
};
