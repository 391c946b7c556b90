#include "synth/AirConditioningSound.h"

#include "synth/FilterShape.h"

#include <algorithm>

namespace {

constexpr double kMainsHertz = 50.0;
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

}

AirConditioningSound::AirConditioningSound(float level, Random &random)
    : m_airflow(airflowShape, doubledRate, random)
    , m_level(level)
    , m_phase(kMainsHertz, doubledRate)
    , m_hum(hum(level * kHumLevel, random))
{
}

void AirConditioningSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_airflow.addTo(left, right, frames, m_level);
    for (std::size_t i = 0; i < frames; ++i) {
        const float hum = m_hum.at(m_phase.next());
        left[i] += hum;
        right[i] += hum;
    }
}
