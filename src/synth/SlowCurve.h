#pragma once

#include "synth/Random.h"
#include "synth/StraightLines.h"

#include <cstddef>

// A smooth random curve that wanders below a given frequency with an RMS of about 1, made
// as it goes: the swell of a downpour, the strength of the wind, the fading of a distant
// station. Two mean-reverting random walks, one slow and one nearer the top frequency,
// are stepped sixteen times per cycle of that frequency and joined by straight lines, so a
// value costs a few operations and the curve never comes round again.
//
// Made off the audio thread; next() and fill() are the audio thread's.
class SlowCurve
{
public:
    SlowCurve(double maxHertz, double sampleRate, Random &random);

    float next() noexcept
    {
        return m_lines.next([this] { return target(); });
    }

    // Moves `frames` values on at once and returns the last, as that many next() would.
    float skip(std::size_t frames) noexcept
    {
        return m_lines.skip(frames, [this] { return target(); });
    }

    void fill(float *values, std::size_t frames) noexcept
    {
        for (std::size_t i = 0; i < frames; ++i)
            values[i] = next();
    }

private:
    struct Walk
    {
        double pull = 0.0;
        double spread = 0.0;
        double value = 0.0;
    };

    double target() noexcept;

    Random m_random;
    Walk m_slow;
    Walk m_quick;
    double m_scale = 1.0;
    StraightLines m_lines;
};
