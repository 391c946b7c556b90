#include "AirConditioningSound.h"

#include "synth/FilterShape.h"
#include "LoopOscillator.h"
#include "synth/Random.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <vector>

namespace {

constexpr double kMainsHertz = 50.0;
constexpr double kHumLevel = 0.07;
// A transformer or motor hums mostly at twice the mains frequency.
constexpr double kHarmonicLevels[] = {0.5, 1.0, 0.35, 0.3, 0.12, 0.15};

double airflowShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -2.0) * FilterShape::bandPass(hertz, 250.0, 4500.0, 2)
           * (1.0 + 0.6 * FilterShape::bell(hertz, 900.0, 1.0));
}

std::vector<float> hum(Random &random)
{
    std::vector<float> samples(StereoLoop::kFrames, 0.0f);
    int harmonic = 1;
    for (const double level : kHarmonicLevels) {
        const std::vector<float> tone = LoopOscillator::sine(StereoLoop::wholeCycles(kMainsHertz) * harmonic, random.phase());
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] += static_cast<float>(kHumLevel * level * tone[i]);
        ++harmonic;
    }
    return samples;
}

}

StereoLoop AirConditioningSound::render(Random &random)
{
    StereoLoop loop;
    SpectralShaper::addStereoNoise(loop, airflowShape, 1.0, random);
    loop.addBed(hum(random), 1.0, 1.0);
    return loop;
}
