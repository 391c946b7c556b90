#include "synth/FanSound.h"

#include "synth/FilterShape.h"
#include "synth/Waveform.h"

#include <algorithm>

namespace {

// Four blades at 1200 revolutions per minute.
constexpr double kBladePassHertz = 80.0;
// Four blade passes, the shortest whole number of them that fills a whole number of frames.
constexpr auto kBladesPeriodFrames = static_cast<std::size_t>(4 * LiveSound::doubledRate / kBladePassHertz);
static_assert(kBladesPeriodFrames * kBladePassHertz == 4 * LiveSound::doubledRate);
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

ToneCycle blades(double toneLevel, Random &random)
{
    ToneCycle cycle(2, kBladesPeriodFrames, LiveSound::doubledRate);
    cycle.add(0, Waveform({kThrobDepth}, random), kBladePassHertz);
    cycle.add(1, bladeTones(toneLevel, random), kBladePassHertz);
    return cycle;
}

}

FanSound::FanSound(float level, Random &random)
    : m_turbulence(turbulenceShape, doubledRate, random)
    , m_level(level)
    , m_blades(blades(level * kToneLevel, random))
{
}

void FanSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_turbulence.addTo(left, right, frames, m_level);
    m_blades.play(frames, [&](std::size_t done, std::size_t length) {
        const float *throb = m_blades.at(0);
        const float *tones = m_blades.at(1);
        float *toLeft = left + done;
        float *toRight = right + done;
        for (std::size_t i = 0; i < length; ++i) {
            toLeft[i] = (1.0f + throb[i]) * toLeft[i] + tones[i];
            toRight[i] = (1.0f + throb[i]) * toRight[i] + tones[i];
        }
    });
}
