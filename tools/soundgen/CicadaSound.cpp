#include "CicadaSound.h"

#include "synth/FilterShape.h"
#include "LoopOscillator.h"
#include "synth/Random.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <cmath>
#include <vector>

namespace {

constexpr int kSingers = 12;
constexpr double kLowestRingHertz = 4200.0;
constexpr double kHighestRingHertz = 5800.0;
constexpr double kRingWidthOctaves = 0.04;
constexpr double kSlowestPulseHertz = 90.0;
constexpr double kFastestPulseHertz = 220.0;
constexpr double kPulseSharpness = 3.0;
constexpr double kSwellHertz = 0.1;
constexpr double kSwellDepth = 0.9;
constexpr double kChorusSwellHertz = 0.05;
constexpr double kChorusSwellDepth = 0.35;
constexpr double kAirLevel = 0.05;

std::vector<float> singer(Random &random)
{
    const double ring = random.uniform(kLowestRingHertz, kHighestRingHertz);
    std::vector<float> buzz = SpectralShaper::noise(
        [ring](double hertz) { return FilterShape::bell(hertz, ring, kRingWidthOctaves); }, random);
    const double pulseHertz = StereoLoop::wholeCycles(random.uniform(kSlowestPulseHertz, kFastestPulseHertz));
    const double pulsePhase = random.phase();
    const std::vector<float> pulses = LoopOscillator::pulses(pulseHertz, pulsePhase, kPulseSharpness);
    const std::vector<float> swell = SpectralShaper::slowCurve(kSwellHertz, random);
    for (std::size_t i = 0; i < buzz.size(); ++i)
        buzz[i] *= static_cast<float>(pulses[i] * std::exp(kSwellDepth * swell[i]));
    return buzz;
}

}

StereoLoop CicadaSound::render(Random &random)
{
    StereoLoop loop;
    const double spacing = 1.8 / (kSingers - 1);
    for (int n = 0; n < kSingers; ++n) {
        const double place = -0.9 + spacing * n + random.uniform(-0.05, 0.05);
        const double level = random.uniform(0.4, 1.0);
        loop.addBed(singer(random), level * StereoLoop::leftGain(place), level * StereoLoop::rightGain(place));
    }
    const auto air = [](double hertz) { return FilterShape::bandPass(hertz, 300.0, 8000.0, 1); };
    SpectralShaper::addStereoNoise(loop, air, kAirLevel, random);
    const std::vector<float> chorus = SpectralShaper::slowCurve(kChorusSwellHertz, random);
    for (int index = 0; index < 2; ++index) {
        auto &samples = loop.channel(index);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] *= static_cast<float>(std::exp(kChorusSwellDepth * chorus[i]));
    }
    return loop;
}
