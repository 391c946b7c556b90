#pragma once

#include "synth/Random.h"
#include "synth/StraightLines.h"

#include <array>
#include <cstddef>

// A smooth random curve with an RMS of 1 whose power falls as 1/f from `lowestHertz` to
// `highestHertz` and has nothing below: the spectrum of the slow curves the sounds' loops
// were first made with, equal power in every octave, so fades and gusts keep the pace they
// had, from a few seconds to most of a minute.
//
// A dozen oscillators, spaced evenly in octaves across the range at equal amplitude, whose
// phases drift at random so that none keeps time for more than a few cycles; their sum is
// worked out a few dozen times a second and joined by straight lines, so a value costs a few
// operations and the curve never comes round again.
//
// Made off the audio thread; next() is the audio thread's.
class WanderCurve
{
public:
    WanderCurve(double lowestHertz, double highestHertz, double sampleRate, Random &random);

    float next() noexcept
    {
        return m_lines.next([this] { return advance(); });
    }

    // Moves `frames` values on at once and returns the last, as that many next() would.
    float skip(std::size_t frames) noexcept
    {
        return m_lines.skip(frames, [this] { return advance(); });
    }

private:
    static constexpr std::size_t oscillators = 12;

    struct Oscillator
    {
        double advance = 0.0;
        double drift = 0.0;
        double phase = 0.0;
    };

    // Moves the oscillators on to the next point of the curve, and returns it.
    double advance() noexcept;
    double sum() const noexcept;

    Random m_random;
    std::array<Oscillator, oscillators> m_oscillators{};
    double m_amplitude;
    StraightLines m_lines;
};
