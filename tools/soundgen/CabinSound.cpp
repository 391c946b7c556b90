#include "CabinSound.h"

#include "synth/FilterShape.h"
#include "LoopOscillator.h"
#include "synth/Random.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <vector>

namespace {

constexpr double kEngineHertz = 94.0;
// Two engines apart by this much beat once every four seconds.
constexpr double kBeatHertz = 0.25;
constexpr double kToneLevel = 0.06;
constexpr double kHarmonicLevels[] = {1.0, 0.5, 0.3, 0.15};
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

void addEngine(std::vector<float> &samples, double hertz, double level, Random &random)
{
    int harmonic = 1;
    for (const double harmonicLevel : kHarmonicLevels) {
        const std::vector<float> tone = LoopOscillator::sine(StereoLoop::wholeCycles(hertz) * harmonic, random.phase());
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] += static_cast<float>(level * harmonicLevel * tone[i]);
        ++harmonic;
    }
}

}

StereoLoop CabinSound::render(Random &random)
{
    StereoLoop loop;
    SpectralShaper::addStereoNoise(loop, rumbleShape, 1.0, random);
    SpectralShaper::addStereoNoise(loop, hissShape, kHissLevel, random);
    // Each engine is heard more on its own side of the cabin.
    addEngine(loop.left(), kEngineHertz, kToneLevel, random);
    addEngine(loop.right(), kEngineHertz, 0.6 * kToneLevel, random);
    addEngine(loop.right(), kEngineHertz + kBeatHertz, kToneLevel, random);
    addEngine(loop.left(), kEngineHertz + kBeatHertz, 0.6 * kToneLevel, random);
    return loop;
}
