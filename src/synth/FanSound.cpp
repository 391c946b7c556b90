#include "synth/FanSound.h"

#include "synth/FilterShape.h"

#include <algorithm>

namespace {

// Four blades at 1200 revolutions per minute.
constexpr double kBladePassHertz = 80.0;
constexpr double kThrobDepth = 0.45;
constexpr double kToneLevel = 0.22;

double turbulenceShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -3.0) * FilterShape::bandPass(hertz, 200.0, 2500.0, 2);
}

Waveform bladeTones(double level, Random &random)
{
    return Waveform({level, 0.85 * level, 0.45 * level, 0.2 * level}, random);
}

}

FanSound::FanSound(float level, Random &random)
    : m_turbulence(turbulenceShape, doubledRate, random)
    , m_level(level)
    , m_phase(kBladePassHertz, doubledRate)
    , m_throb({kThrobDepth}, random)
    , m_tones(bladeTones(level * kToneLevel, random))
{
}

void FanSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_turbulence.addTo(left, right, frames, m_level);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint32_t phase = m_phase.next();
        const float throb = 1.0f + m_throb.at(phase);
        const float tones = m_tones.at(phase);
        left[i] = throb * left[i] + tones;
        right[i] = throb * right[i] + tones;
    }
}
