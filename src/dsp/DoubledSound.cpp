#include "dsp/DoubledSound.h"

#include "dsp/Doubler.h"
#include "dsp/SincTable.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr std::int64_t blockFrames = 2048;
// A block's source frames, with room for the last window and for a vector path that
// rounds the block up to sixteen frames.
constexpr std::size_t windowFrames = blockFrames + SincTable::doublingTaps + 16;

// Frame `frame` of a loop of `frames`, for any frame before or past the loop.
std::int64_t wrapped(std::int64_t frame, std::int64_t frames)
{
    return (frame % frames + frames) % frames;
}

// Frames first .. first + count - 1 of the loop, as float, left and right apart.
void gather(const std::int16_t *source, std::int64_t frames, std::int64_t first, std::int64_t count, float *left,
            float *right)
{
    if (first >= 0 && first + count <= frames) {
        for (std::int64_t t = 0; t < count; ++t) {
            left[t] = source[2 * (first + t)];
            right[t] = source[2 * (first + t) + 1];
        }
        return;
    }
    for (std::int64_t t = 0; t < count; ++t) {
        const std::int64_t frame = wrapped(first + t, frames);
        left[t] = source[2 * frame];
        right[t] = source[2 * frame + 1];
    }
}


}

DoubledSound::DoubledSound(const std::int16_t *interleaved, std::size_t frames)
    : m_samples(std::make_unique_for_overwrite<std::int16_t[]>(4 * frames + 4 * margin))
    , m_frames(2 * static_cast<std::int64_t>(frames))
{
    const auto sourceFrames = static_cast<std::int64_t>(frames);
    const Doubler doubler;
    alignas(32) std::array<float, windowFrames> left{};
    alignas(32) std::array<float, windowFrames> right{};
    std::int16_t *target = m_samples.get() + 2 * margin;
    // Blocks run in order, so a vector path's overrun lands only on frames written next or
    // in the margin after the loop, which is filled last.
    for (std::int64_t first = 0; first < sourceFrames; first += blockFrames) {
        const std::int64_t count = std::min(blockFrames, sourceFrames - first);
        gather(interleaved, sourceFrames, first - Doubler::leadFrames, count + SincTable::doublingTaps - 1, left.data(),
               right.data());
        doubler.run(left.data(), right.data(), count, target + 4 * first);
    }
    for (std::int64_t v = 1; v <= margin; ++v) {
        std::copy_n(target + 2 * wrapped(-v, m_frames), 2, target - 2 * v);
        std::copy_n(target + 2 * wrapped(m_frames + v - 1, m_frames), 2, target + 2 * (m_frames + v - 1));
    }
}
