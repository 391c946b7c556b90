#include "FanSound.h"

#include "synth/FilterShape.h"
#include "LoopOscillator.h"
#include "synth/Random.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <vector>

namespace {

// Four blades at 1200 revolutions per minute.
constexpr double kBladePassHertz = 80.0;
constexpr double kThrobDepth = 0.45;
constexpr double kToneLevel = 0.22;
constexpr double kHarmonicLevels[] = {1.0, 0.85, 0.45, 0.2};

double turbulenceShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -3.0) * FilterShape::bandPass(hertz, 200.0, 2500.0, 2);
}

void renderChannel(std::vector<float> &samples, const std::vector<float> &throb, const std::vector<float> &tones,
                   Random &random)
{
    const std::vector<float> turbulence = SpectralShaper::noise(turbulenceShape, random);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>((1.0 + kThrobDepth * throb[i]) * turbulence[i] + tones[i]);
}

std::vector<float> bladeTones(Random &random)
{
    std::vector<float> samples(StereoLoop::kFrames, 0.0f);
    int harmonic = 1;
    for (const double level : kHarmonicLevels) {
        const std::vector<float> tone =
            LoopOscillator::sine(StereoLoop::wholeCycles(kBladePassHertz) * harmonic, random.phase());
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] += static_cast<float>(kToneLevel * level * tone[i]);
        ++harmonic;
    }
    return samples;
}

}

StereoLoop FanSound::render(Random &random)
{
    const std::vector<float> throb = LoopOscillator::sine(StereoLoop::wholeCycles(kBladePassHertz), random.phase());
    const std::vector<float> tones = bladeTones(random);
    StereoLoop loop;
    renderChannel(loop.left(), throb, tones, random);
    renderChannel(loop.right(), throb, tones, random);
    return loop;
}
