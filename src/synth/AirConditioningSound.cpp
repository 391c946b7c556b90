#include "synth/AirConditioningSound.h"

#include "synth/FilterShape.h"
#include "synth/Waveform.h"

#include <algorithm>

namespace {

constexpr double kMainsHertz = 50.0;
// One period of the mains, which every harmonic of the hum fills whole.
constexpr auto kHumPeriodFrames = static_cast<std::size_t>(LiveSound::doubledRate / kMainsHertz);
static_assert(kHumPeriodFrames * kMainsHertz == LiveSound::doubledRate);
constexpr double kHumLevel = 0.07;

double airflowShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -2.0) * FilterShape::bandPass(hertz, 250.0, 4500.0, 2)
           * (1.0 + 0.6 * FilterShape::bell(hertz, 900.0, 1.0));
}

// A transformer or motor hums mostly at twice the mains frequency.
Waveform hum(double level, Random &random)
{
    return Waveform({0.5 * level, level, 0.35 * level, 0.3 * level, 0.12 * level, 0.15 * level}, random);
}

ToneCycle humCycle(double level, Random &random)
{
    ToneCycle cycle(1, kHumPeriodFrames, LiveSound::doubledRate);
    cycle.add(0, hum(level, random), kMainsHertz);
    return cycle;
}

}

AirConditioningSound::AirConditioningSound(float level, Random &random)
    : m_airflow(airflowShape, doubledRate, random)
    , m_level(level)
    , m_hum(humCycle(level * kHumLevel, random))
{
}

void AirConditioningSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_airflow.addTo(left, right, frames, m_level);
    m_hum.addTo(left, right, frames, 0, 0);
}
