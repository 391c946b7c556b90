#pragma once

#include "synth/NoiseTable.h"
#include "synth/Random.h"

#include <cstddef>
#include <vector>

// How a shower of drops sounds: how many fall, how their sizes spread and how they ring.
struct DropStyle
{
    double dropsPerSecond;
    // Sizes are uniform numbers raised to this power: the higher, the more small drops.
    double sizeSkew;
    double lowestPitchHertz;
    double highestPitchHertz;
    // Spread of levels by distance, in decibels.
    double distanceSpreadDecibels;
    double clickLevel;
    double ringLevel;
    // How far from the centre the drops may land, 0 to 1.
    double width;
};

// Drops falling endlessly: each one at a random time (a Poisson stream at the style's rate),
// of a random size, level and place. A drop is a short noise click and a damped resonance
// whose pitch falls as the drop grows.
//
// The drops' shapes are made once, in the constructor: a bank of sizes, several takes of
// each with their own click and ring phase, already passed through the sound's final `tone`
// (zero-phase, as a filter over the whole sound would). A falling drop is then only a shape
// read at a gain for each side, so addTo() costs a few operations per frame for each drop
// still ringing. No drop is ever louder than `ceiling` on its own: the loudest are eased
// down, leaving the rest untouched.
class DropField
{
public:
    // `level` scales every drop; `ceiling` is the highest peak a drop may reach at that level.
    DropField(const DropStyle &style, const NoiseTable::Response &tone, double level, double ceiling,
              double sampleRate, Random &random);

    // Adds `frames` frames of falling drops.
    void addTo(float *left, float *right, std::size_t frames) noexcept;

private:
    struct Shape
    {
        std::size_t first = 0;
        std::size_t length = 0;
        float size = 0.0f;
        float peak = 0.0f;
    };

    struct Drop
    {
        const float *samples = nullptr;
        std::size_t remaining = 0;
        std::size_t delay = 0;
        float leftGain = 0.0f;
        float rightGain = 0.0f;
    };

    void startDrops(std::size_t frames) noexcept;
    void mix(float *left, float *right, std::size_t frames) noexcept;
    void start(std::size_t delay) noexcept;
    double eased(double peak) const noexcept;

    DropStyle m_style;
    double m_level;
    double m_ceiling;
    double m_framesPerDrop;
    std::vector<float> m_samples;
    std::vector<Shape> m_shapes;
    std::vector<Drop> m_drops;
    std::size_t m_ringing = 0;
    double m_untilNext = 0.0;
    Random m_random;
};
