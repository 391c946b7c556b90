#pragma once

#include "synth/NoiseTable.h"
#include "synth/Random.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

// Endless stereo noise with a given spectrum that never comes back whole.
//
// Three voices each read a table of their own from a random place through a sine window and
// take a new place each time their window closes. They are staggered by a third of a window,
// and sine windows so staggered have squares that sum to a constant, so the voices, being
// independent, always add to the same power and the spectrum stays the table's. Any stretch
// of the bed is a mixture of many pieces from random places. Over minutes some piece always
// comes back nearly where and when one did before, and now and then several pieces of a
// stretch come back in step: the stretch then matches an earlier one by the share of the
// pieces that came back. Short pieces keep that share small: an eighth of a table long, each
// is a sixteenth of a two-second stretch.
//
// The tables are held as 16-bit samples, which keeps fourteen channels' beds small; their
// rounding lies some 80 dB under the bed.
//
// Made off the audio thread; addTo() is the audio thread's and costs a few operations a frame.
class NoiseBed
{
public:
    static constexpr int voices = 3;

    // Each table holds about three seconds, and a voice reads an eighth of one at a time, a
    // grain.
    static std::size_t tableFrames(double sampleRate);
    static std::size_t grainFrames(double sampleRate) { return tableFrames(sampleRate) / grainsPerTable; }

    NoiseBed(const NoiseTable::Response &magnitude, double sampleRate, Random &random);

    // Adds `frames` frames of the bed at `gain` (an RMS of `gain` on each side).
    void addTo(float *left, float *right, std::size_t frames, float gain) noexcept;

private:
    struct Table
    {
        std::unique_ptr<std::int16_t[]> left;
        std::unique_ptr<std::int16_t[]> right;
    };

    // How many grains, the pieces above, a table holds.
    static constexpr std::size_t grainsPerTable = 8;

    struct Voice
    {
        std::size_t place = 0;
        std::size_t age = 0;
    };

    // Each window's gain moves in straight lines this long, within a thousandth and a half of
    // the sine over a grain of 8192 frames or more. Every stretch costs the placing and
    // weighing of three voices: at 256 frames the bed costs a third less than at 64.
    static constexpr std::size_t rampFrames = 256;
    // A voice starts reading at a multiple of this: the finer, the less often a grain comes
    // back where and when one did before.
    static constexpr std::size_t placeFrames = 64;

    // Where each voice reads the next stretch, and its gain there.
    struct Stretch
    {
        std::array<const std::int16_t *, voices> left;
        std::array<const std::int16_t *, voices> right;
        std::array<float, voices> start;
        std::array<float, voices> step;
    };

    Table quantised(const NoiseTable &table) const;
    static void addStretch(const Stretch &stretch, float *left, float *right, std::size_t frames) noexcept;
    float windowGain(std::size_t age) const noexcept;

    std::size_t m_tableFrames;
    std::size_t m_grainFrames;
    // The table and window sizes are powers of two, so that the audio thread places and
    // weighs each stretch with shifts and masks rather than divisions.
    int m_pointShift;
    float m_pointScale;
    std::array<Table, voices> m_tables;
    std::array<Voice, voices> m_voices{};
    Random m_random;
};
