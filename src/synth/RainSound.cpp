#include "synth/RainSound.h"

#include "synth/FilterShape.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr DropStyle kDrops{
    .dropsPerSecond = 45.0,
    .sizeSkew = 2.0,
    .lowestPitchHertz = 1000.0,
    .highestPitchHertz = 4000.0,
    .distanceSpreadDecibels = 18.0,
    .clickLevel = 0.5,
    .ringLevel = 1.0,
    .width = 0.9,
};
constexpr double kBedLevel = 0.02;
// Brings the whole to the common loudness of the shipped sounds, -21 LUFS.
constexpr double kLevel = 0.7856;
// The shipped sounds' peaks stay below -1.2 dBFS. A single drop is eased below the ceiling
// as it falls; the rare moment when two loud ones meet is rounded off.
constexpr double kCeiling = 0.87;
constexpr float kKnee = 0.78f;

double bedShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -3.0) * FilterShape::bandPass(hertz, 500.0, 6000.0, 2);
}

// Rounds off the very top so the clicks patter rather than hiss.
double tone(double hertz)
{
    return FilterShape::lowPass(hertz, 7000.0, 2);
}

double tonedBed(double hertz)
{
    return bedShape(hertz) * tone(hertz);
}

}

RainSound::RainSound(Random &random)
    : m_bed(tonedBed, sampleRate, random)
    , m_bedGain(static_cast<float>(kLevel * kBedLevel
                                   * std::sqrt(NoiseTable::power(tonedBed, sampleRate) / NoiseTable::power(bedShape, sampleRate))))
    , m_drops(kDrops, tone, kLevel, kCeiling, sampleRate, random)
    , m_ceiling(kKnee, static_cast<float>(kCeiling))
{
}

void RainSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_bed.addTo(left, right, frames, m_bedGain);
    m_drops.addTo(left, right, frames);
    m_ceiling.apply(left, frames);
    m_ceiling.apply(right, frames);
}
