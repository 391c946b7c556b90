#include "RainSound.h"

#include "DropField.h"
#include "synth/FilterShape.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

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

double bedShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -3.0) * FilterShape::bandPass(hertz, 500.0, 6000.0, 2);
}

}

StereoLoop RainSound::render(Random &random)
{
    StereoLoop loop;
    SpectralShaper::addStereoNoise(loop, bedShape, kBedLevel, random);
    DropField::scatter(loop, kDrops, random);
    // Rounds off the very top so the clicks patter rather than hiss.
    for (int index = 0; index < 2; ++index)
        SpectralShaper::filter(loop.channel(index), [](double hertz) { return FilterShape::lowPass(hertz, 7000.0, 2); });
    return loop;
}
