#include "DropField.h"

#include "synth/Random.h"
#include "StereoLoop.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kClickSeconds = 0.0006;
constexpr double kShortestRingSeconds = 0.003;
constexpr double kRingGrowthSeconds = 0.012;
// Bubbles behind a drop shrink as they ring, so the pitch glides upward a little.
constexpr double kPitchGlide = 0.25;

std::vector<float> drop(double size, const DropStyle &style, Random &random)
{
    const double pitch = style.highestPitchHertz * std::pow(style.lowestPitchHertz / style.highestPitchHertz, size);
    const double ringSeconds = kShortestRingSeconds + kRingGrowthSeconds * size;
    const auto length = static_cast<std::size_t>(6.0 * ringSeconds * StereoLoop::kSampleRate);
    std::vector<float> samples(length);
    double angle = random.phase();
    double previousNoise = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / StereoLoop::kSampleRate;
        const double glide = 1.0 + kPitchGlide * (1.0 - std::exp(-time / ringSeconds));
        angle += 2.0 * std::numbers::pi * pitch * glide / StereoLoop::kSampleRate;
        const double onset = std::min(1.0, time / 0.0005);
        const double ring = style.ringLevel * onset * std::exp(-time / ringSeconds) * std::sin(angle);
        // Differenced noise: the click is bright but carries no low thump.
        const double noise = random.gaussian();
        const double click = style.clickLevel * std::exp(-time / kClickSeconds) * (noise - previousNoise);
        previousNoise = noise;
        samples[i] = static_cast<float>(ring + click);
    }
    return samples;
}

}

void DropField::scatter(StereoLoop &loop, const DropStyle &style, Random &random)
{
    const auto count = static_cast<std::size_t>(style.dropsPerSecond * StereoLoop::kSeconds);
    for (std::size_t n = 0; n < count; ++n) {
        const double size = std::pow(random.uniform(), style.sizeSkew);
        const double level = (0.25 + 0.75 * size) * std::pow(10.0, -random.uniform(0.0, style.distanceSpreadDecibels) / 20.0);
        const double place = style.width * random.uniform(-1.0, 1.0);
        const auto start = static_cast<std::size_t>(random.uniform() * static_cast<double>(StereoLoop::kFrames));
        loop.addEvent(drop(size, style, random), start, level * StereoLoop::leftGain(place),
                      level * StereoLoop::rightGain(place));
    }
}
