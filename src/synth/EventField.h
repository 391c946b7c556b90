#pragma once

#include "synth/NoiseTable.h"
#include "synth/ShapeBank.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class Random;

// Short sounds placed at chosen moments over a stereo stream: bubbles, heartbeats, the
// clack of a rail joint, the crackle of a fire.
//
// Their shapes are made once, in the constructor, and filtered zero-phase through the
// given response, tapered to nothing below the band of the shipped sounds' rate, so that a
// sound made at twice that rate stays within the band. While the sound plays, events of
// those shapes are placed at chosen moments, each at a gain for either side, and added in
// from a pool of fixed size.
//
// Made off the audio thread; schedule() and addTo() are the audio thread's: they never
// allocate, and an event that finds the pool full is left out.
class EventField
{
public:
    // Shape number `index` of the bank, at unit level, its onset first.
    using Maker = std::function<std::vector<float>(std::size_t index, Random &random)>;

    // `count` shapes drawn by `make`; room for `poolSize` events at once, sounding or waiting.
    EventField(std::size_t count, const Maker &make, const NoiseTable::Response &response, double sampleRate,
               std::size_t poolSize, Random &random);

    struct Sides
    {
        float left = 0.0f;
        float right = 0.0f;
    };

    // The gains that put a sound of `gain` at `place`, from -1 (left) to 1 (right), at equal
    // power.
    static Sides placed(double gain, double place);

    std::size_t shapes() const { return m_bank.size(); }
    // The largest magnitude shape `shape` reaches at gain 1.
    float peak(std::size_t shape) const { return m_bank.shape(shape).peak; }

    // An event of `shape` whose onset comes `delay` frames after the first frame that the
    // next addTo() writes, and a fixed latency more: room for the filter's ringing ahead.
    void schedule(std::uint64_t delay, std::size_t shape, Sides gains) noexcept;
    // Adds the events that sound in the next `frames` frames and moves on.
    void addTo(float *left, float *right, std::size_t frames) noexcept;

private:
    struct Event
    {
        std::uint64_t start = 0;
        const float *samples = nullptr;
        std::size_t remaining = 0;
        float leftGain = 0.0f;
        float rightGain = 0.0f;
    };

    static void add(const Event &event, std::size_t count, float *left, float *right) noexcept;

    ShapeBank m_bank;
    std::vector<Event> m_pool;
    std::size_t m_playing = 0;
    std::uint64_t m_now = 0;
};
