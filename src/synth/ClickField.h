#pragma once

#include "synth/NoiseTable.h"
#include "synth/ShapeBank.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class Random;

// Short events scattered over a mono stream: clicks, crackle, the ticks of a receiver.
//
// A set of shapes is drawn and filtered once, zero-phase through the given response as a
// whole loop used to be, so each shape keeps the ringing that filter gives it on both sides.
// While the sound plays, clicks of those shapes are placed at chosen times and gains and
// added in from a pool of fixed size.
//
// Made off the audio thread; schedule() and addTo() are the audio thread's: they never
// allocate, and a click that finds the pool full is left out.
class ClickField
{
public:
    using Maker = std::function<std::vector<float>(Random &)>;

    static constexpr std::size_t poolSize = 256;

    // `count` shapes, each drawn by `make` (at most a few hundred frames) and then filtered.
    ClickField(std::size_t count, const Maker &make, const NoiseTable::Response &response, double sampleRate,
               Random &random);

    std::size_t shapes() const { return m_bank.size(); }
    // The largest magnitude a shape reaches at gain 1.
    float peak(std::size_t shape) const { return m_bank.shape(shape).peak; }

    // A click of `shape` at `gain` whose onset comes `delay` frames after the first frame
    // that the next addTo() writes, and a fixed latency more: room for its ringing ahead.
    void schedule(std::uint64_t delay, std::size_t shape, float gain) noexcept;
    // Adds the clicks that sound in the next `frames` frames and moves on.
    void addTo(float *mono, std::size_t frames) noexcept;

private:
    struct Click
    {
        std::uint64_t start = 0;
        std::size_t shape = 0;
        float gain = 0.0f;
    };

    ShapeBank m_bank;
    std::array<Click, poolSize> m_pool{};
    std::size_t m_playing = 0;
    std::uint64_t m_now = 0;
};
