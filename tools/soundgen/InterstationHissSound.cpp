#include "InterstationHissSound.h"

#include "synth/FilterShape.h"
#include "synth/Random.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <cmath>
#include <vector>

namespace {

// FM noise rises with frequency until the receiver's 50 microsecond de-emphasis flattens it.
constexpr double kDeEmphasisHertz = 3183.0;
constexpr double kFadeHertz = 0.2;
constexpr double kFadeDepth = 0.12;
constexpr double kClicksPerSecond = 0.25;
constexpr double kClickLevel = 14.0;
constexpr std::size_t kClickFrames = 12;
constexpr double kClickDecayFrames = 3.0;

double hissShape(double hertz)
{
    return hertz / std::sqrt(1.0 + (hertz / kDeEmphasisHertz) * (hertz / kDeEmphasisHertz)) / kDeEmphasisHertz
           * FilterShape::bandPass(hertz, 150.0, 7000.0, 3);
}

void addClicks(StereoLoop &loop, Random &random)
{
    const auto count = static_cast<std::size_t>(kClicksPerSecond * StereoLoop::kSeconds);
    for (std::size_t n = 0; n < count; ++n) {
        const double level = kClickLevel * random.uniform(0.5, 1.0);
        std::vector<float> event(kClickFrames);
        for (std::size_t i = 0; i < event.size(); ++i)
            event[i] = static_cast<float>(level * std::exp(-static_cast<double>(i) / kClickDecayFrames) * random.gaussian());
        loop.addEvent(event, static_cast<std::size_t>(random.uniform() * static_cast<double>(StereoLoop::kFrames)), 1.0,
                      1.0);
    }
}

}

StereoLoop InterstationHissSound::render(Random &random)
{
    StereoLoop loop;
    SpectralShaper::addStereoNoise(loop, hissShape, 1.0, random);
    addClicks(loop, random);
    const std::vector<float> fade = SpectralShaper::slowCurve(kFadeHertz, random);
    for (int index = 0; index < 2; ++index) {
        auto &samples = loop.channel(index);
        // Rounds the clicks off with the same band the receiver has.
        SpectralShaper::filter(samples, [](double hertz) { return FilterShape::lowPass(hertz, 7000.0, 3); });
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] *= static_cast<float>(std::exp(kFadeDepth * fade[i]));
    }
    return loop;
}
