#include "DownpourSound.h"

#include "DropField.h"
#include "synth/FilterShape.h"
#include "synth/Random.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr DropStyle kDrops{
    .dropsPerSecond = 500.0,
    .sizeSkew = 2.5,
    .lowestPitchHertz = 900.0,
    .highestPitchHertz = 3500.0,
    .distanceSpreadDecibels = 10.0,
    .clickLevel = 0.5,
    .ringLevel = 0.8,
    .width = 1.0,
};
constexpr double kRoarLevel = 0.15;
constexpr double kHissLevel = 0.12;
constexpr double kSplashesPerSecond = 0.3;
constexpr double kSplashLevel = 0.6;
constexpr double kSwellHertz = 0.08;
constexpr double kSwellDepth = 0.2;

double roarShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -4.0) * FilterShape::bandPass(hertz, 40.0, 450.0, 2);
}

double hissShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -3.0) * FilterShape::bandPass(hertz, 400.0, 5000.0, 2);
}

std::vector<float> splash(Random &random)
{
    const double seconds = random.uniform(0.08, 0.2);
    const auto length = static_cast<std::size_t>(5.0 * seconds * StereoLoop::kSampleRate);
    std::vector<float> samples(length);
    double smoothed = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / StereoLoop::kSampleRate;
        const double onset = std::min(1.0, time / 0.004);
        // A one-pole smoothing gives the splash its weight below the drops' pitch.
        smoothed += 0.35 * (random.gaussian() - smoothed);
        samples[i] = static_cast<float>(onset * std::exp(-time / seconds) * smoothed);
    }
    return samples;
}

void addSplashes(StereoLoop &loop, Random &random)
{
    const auto count = static_cast<std::size_t>(kSplashesPerSecond * StereoLoop::kSeconds);
    for (std::size_t n = 0; n < count; ++n) {
        const double place = random.uniform(-0.8, 0.8);
        const double level = kSplashLevel * random.uniform(0.5, 1.0);
        const auto start = static_cast<std::size_t>(random.uniform() * static_cast<double>(StereoLoop::kFrames));
        loop.addEvent(splash(random), start, level * StereoLoop::leftGain(place), level * StereoLoop::rightGain(place));
    }
}

void swell(StereoLoop &loop, Random &random)
{
    const std::vector<float> curve = SpectralShaper::slowCurve(kSwellHertz, random);
    for (int index = 0; index < 2; ++index) {
        auto &samples = loop.channel(index);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] *= static_cast<float>(std::exp(kSwellDepth * curve[i]));
    }
}

}

StereoLoop DownpourSound::render(Random &random)
{
    StereoLoop loop;
    SpectralShaper::addStereoNoise(loop, roarShape, kRoarLevel, random);
    SpectralShaper::addStereoNoise(loop, hissShape, kHissLevel, random);
    DropField::scatter(loop, kDrops, random);
    addSplashes(loop, random);
    for (int index = 0; index < 2; ++index)
        SpectralShaper::filter(loop.channel(index), [](double hertz) { return FilterShape::lowPass(hertz, 6000.0, 2); });
    swell(loop, random);
    return loop;
}
