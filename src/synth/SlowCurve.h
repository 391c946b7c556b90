#pragma once

#include "synth/Random.h"

#include <algorithm>
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
        if (m_left == 0)
            step();
        --m_left;
        m_value += m_slope;
        return m_value;
    }

    // Moves `frames` values on at once and returns the last, as that many next() would.
    float skip(std::size_t frames) noexcept
    {
        while (frames > 0) {
            if (m_left == 0)
                step();
            const std::size_t taken = std::min(frames, m_left);
            m_value += m_slope * static_cast<float>(taken);
            m_left -= taken;
            frames -= taken;
        }
        return m_value;
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

    void step() noexcept;
    double target() noexcept;

    Random m_random;
    Walk m_slow;
    Walk m_quick;
    double m_scale = 1.0;
    std::size_t m_interval;
    std::size_t m_left = 0;
    float m_value = 0.0f;
    float m_slope = 0.0f;
};
