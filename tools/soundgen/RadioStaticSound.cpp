#include "RadioStaticSound.h"

#include "synth/FilterShape.h"
#include "synth/Random.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kBandLowHertz = 250.0;
constexpr double kBandHighHertz = 3500.0;
constexpr double kFadeHertz = 0.3;
constexpr double kFadeDepth = 0.35;
constexpr double kClustersPerSecond = 0.7;
constexpr double kShortestClusterSeconds = 0.05;
constexpr double kLongestClusterSeconds = 0.5;
constexpr int kMostClicksPerCluster = 25;
constexpr double kClickLevel = 3.0;
// The receiver is mono; a little independent hiss per side keeps it from sounding boxed in.
constexpr double kSideHiss = 0.3;

double band(double hertz)
{
    return FilterShape::bandPass(hertz, kBandLowHertz, kBandHighHertz, 4);
}

std::vector<float> click(Random &random)
{
    const double seconds = random.uniform(0.0001, 0.0008);
    const auto length = static_cast<std::size_t>(6.0 * seconds * StereoLoop::kSampleRate) + 2;
    const double level = kClickLevel * std::exp(0.8 * random.gaussian());
    std::vector<float> samples(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / StereoLoop::kSampleRate;
        samples[i] = static_cast<float>(level * std::exp(-time / seconds) * random.gaussian());
    }
    return samples;
}

void addCrackle(std::vector<float> &samples, Random &random)
{
    const auto clusters = static_cast<std::size_t>(kClustersPerSecond * StereoLoop::kSeconds);
    for (std::size_t n = 0; n < clusters; ++n) {
        const double start = random.uniform(0.0, StereoLoop::kSeconds);
        const double length = random.uniform(kShortestClusterSeconds, kLongestClusterSeconds);
        const int clicks = 2 + static_cast<int>(random.uniform() * (kMostClicksPerCluster - 1));
        for (int c = 0; c < clicks; ++c) {
            const std::vector<float> event = click(random);
            const std::size_t first = StereoLoop::frameAt(start + random.uniform(0.0, length));
            for (std::size_t i = 0; i < event.size(); ++i)
                samples[(first + i) % samples.size()] += event[i];
        }
    }
}

}

StereoLoop RadioStaticSound::render(Random &random)
{
    std::vector<float> mono = SpectralShaper::noise([](double) { return 1.0; }, random);
    addCrackle(mono, random);
    const std::vector<float> fade = SpectralShaper::slowCurve(kFadeHertz, random);
    StereoLoop loop;
    loop.addBed(mono, mono, 1.0);
    SpectralShaper::addStereoNoise(loop, [](double) { return 1.0; }, kSideHiss, random);
    for (int index = 0; index < 2; ++index) {
        auto &samples = loop.channel(index);
        SpectralShaper::filter(samples, band);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] *= static_cast<float>(std::exp(kFadeDepth * fade[i]));
    }
    return loop;
}
