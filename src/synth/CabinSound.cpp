#include "synth/CabinSound.h"

#include "synth/FilterShape.h"
#include "synth/NoiseMixture.h"
#include "synth/Waveform.h"

#include <algorithm>

namespace {

constexpr double kEngineHertz = 94.0;
// Two engines apart by this much beat once every four seconds.
constexpr double kBeatHertz = 0.25;
// One beat: both engines fill it with whole cycles.
constexpr auto kBeatFrames = static_cast<std::size_t>(LiveSound::doubledRate / kBeatHertz);
static_assert(kBeatFrames * kBeatHertz == LiveSound::doubledRate);
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

// Each engine is heard more on its own side: the first on the left, the second on the right.
ToneCycle engines(double level, Random &random)
{
    const double near = level * kToneLevel;
    const double far = level * kFarSideShare * kToneLevel;
    ToneCycle cycle(2, kBeatFrames, LiveSound::doubledRate);
    const double hertz[] = {kEngineHertz, kEngineHertz + kBeatHertz};
    for (int engine = 0; engine < 2; ++engine) {
        cycle.add(0, engineTone(engine == 0 ? near : far, random), hertz[engine]);
        cycle.add(1, engineTone(engine == 0 ? far : near, random), hertz[engine]);
    }
    return cycle;
}

}

CabinSound::CabinSound(float level, Random &random)
    : m_air(air().response(), doubledRate, random)
    , m_airGain(static_cast<float>(level * air().rms()))
    , m_engines(engines(level, random))
{
}

void CabinSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_air.addTo(left, right, frames, m_airGain);
    m_engines.addTo(left, right, frames, 0, 1);
}
