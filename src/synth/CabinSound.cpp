#include "synth/CabinSound.h"

#include "synth/FilterShape.h"
#include "synth/NoiseMixture.h"

#include <algorithm>

namespace {

constexpr double kEngineHertz = 94.0;
// Two engines apart by this much beat once every four seconds.
constexpr double kBeatHertz = 0.25;
constexpr double kToneLevel = 0.06;
constexpr double kFarSideShare = 0.6;
constexpr double kHissLevel = 0.02;

double rumbleShape(double hertz)
{
    return FilterShape::highPass(hertz, 35.0, 3) * FilterShape::lowPass(hertz, 180.0, 1)
           * FilterShape::lowPass(hertz, 1500.0, 2);
}

double hissShape(double hertz)
{
    return FilterShape::bandPass(hertz, 1000.0, 4000.0, 2);
}

const NoiseMixture &air()
{
    static const NoiseMixture mixture({{rumbleShape, 1.0}, {hissShape, kHissLevel}},
                                      NoiseBed::tableFrames(LiveSound::doubledRate), LiveSound::doubledRate);
    return mixture;
}

Waveform engineTone(double level, Random &random)
{
    return Waveform({level, 0.5 * level, 0.3 * level, 0.15 * level}, random);
}

}

CabinSound::Engine::Engine(double hertz, double leftLevel, double rightLevel, Random &random)
    : phase(hertz, doubledRate)
    , left(engineTone(leftLevel, random))
    , right(engineTone(rightLevel, random))
{
}

CabinSound::CabinSound(float level, Random &random)
    : m_air(air().response(), doubledRate, random)
    , m_airGain(static_cast<float>(level * air().rms()))
    , m_first(kEngineHertz, level * kToneLevel, level * kFarSideShare * kToneLevel, random)
    , m_second(kEngineHertz + kBeatHertz, level * kFarSideShare * kToneLevel, level * kToneLevel, random)
{
}

void CabinSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_air.addTo(left, right, frames, m_airGain);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint32_t first = m_first.phase.next();
        const std::uint32_t second = m_second.phase.next();
        left[i] += m_first.left.at(first) + m_second.left.at(second);
        right[i] += m_first.right.at(first) + m_second.right.at(second);
    }
}
