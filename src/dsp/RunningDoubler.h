#pragma once

#include "dsp/Doubler.h"

#include <cstdint>
#include <memory>

// Doubles a stream that comes in blocks of any length through the half-band kernel: keeps
// the frames that the next block's kernel reaches back to, and the few frames of a block
// that fall short of the vector path's sixteen, so that the stream comes out whole, as if
// doubled in one piece. What comes out lags what goes in by the kernel's reach ahead.
//
// The first frames fill the kernel's history only; nothing comes out until it is full.
//
// Any one thread at a time; made off the audio thread, after which take() neither
// allocates nor waits.
class RunningDoubler
{
public:
    // Frames the kernel needs before the first doubled frame comes out.
    static constexpr std::int64_t historyFrames = Doubler::leadFrames + Doubler::FoldedRows::taps;

    // Blocks of up to `largestBlock` frames.
    explicit RunningDoubler(std::int64_t largestBlock);
    ~RunningDoubler();

    // Where the next block goes, each side apart, in the 16-bit scale.
    float *left() noexcept { return m_left.get() + m_held; }
    float *right() noexcept { return m_right.get() + m_held; }

    // Doubles what the block at left() and right() adds, `count` frames: the interleaved
    // 16-bit frames at doubled(), twice as many as the source frames they come from, are
    // returned.
    std::int64_t take(std::int64_t count) noexcept { return take(count, m_doubled.get()); }
    // As take(), with the doubled frames written to `target` and nothing past them: twice the
    // frames waiting, rounded down to a multiple of sixteen, which is twice the block itself
    // where every block is a multiple of sixteen.
    std::int64_t take(std::int64_t count, std::int16_t *target) noexcept;
    const std::int16_t *doubled() const noexcept { return m_doubled.get(); }

    // Frames taken that wait for the next block to come out, beyond the history.
    std::int64_t waiting() const noexcept { return m_held > historyFrames ? m_held - historyFrames : 0; }

private:
    Doubler m_doubler;
    std::int64_t m_largestBlock;
    std::int64_t m_held = 0;
    std::unique_ptr<float[]> m_left;
    std::unique_ptr<float[]> m_right;
    std::unique_ptr<std::int16_t[]> m_doubled;
};
