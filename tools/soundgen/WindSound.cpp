#include "WindSound.h"

#include "synth/FilterShape.h"
#include "LoopResonator.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kGustHertz = 0.35;
constexpr double kGustDepth = 0.75;
constexpr double kGustCap = 1.5;
constexpr double kBrightLevel = 0.45;
constexpr double kHowlLevel = 1.2;
constexpr double kHowlLowestHertz = 380.0;
constexpr double kHowlRiseHertz = 260.0;
constexpr double kHowlBandwidthHertz = 18.0;
// The right ear hears each gust a moment after the left, as it sweeps past.
constexpr double kGustTravelSeconds = 0.4;

double bodyShape(double hertz)
{
    return FilterShape::bell(hertz, 640.0, 0.75) + 0.25 * FilterShape::bell(hertz, 200.0, 1.0);
}

double brightShape(double hertz)
{
    return FilterShape::bell(hertz, 1800.0, 0.7);
}

// Gust strength around 1, from a slow random curve bent so that lulls drop deep.
std::vector<float> gustStrength(Random &random)
{
    std::vector<float> strength = SpectralShaper::slowCurve(kGustHertz, random);
    // The strongest gusts are capped softly; the lulls keep their full depth.
    for (float &value : strength) {
        const double capped = value > 0.0f ? kGustCap * std::tanh(value / kGustCap) : value;
        value = static_cast<float>(std::exp(kGustDepth * capped - 0.5 * kGustDepth * kGustDepth));
    }
    return strength;
}

std::vector<float> howl(const std::vector<float> &strength, Random &random)
{
    std::vector<float> centre(strength.size());
    for (std::size_t i = 0; i < centre.size(); ++i)
        centre[i] = static_cast<float>(kHowlLowestHertz + kHowlRiseHertz * std::tanh(strength[i]));
    const std::vector<float> source = SpectralShaper::noise([](double) { return 1.0; }, random);
    std::vector<float> howling = LoopResonator::resonate(source, centre, kHowlBandwidthHertz);
    double energy = 0.0;
    for (const float value : howling)
        energy += static_cast<double>(value) * value;
    const double scale = 1.0 / std::sqrt(energy / static_cast<double>(howling.size()));
    for (float &value : howling)
        value = static_cast<float>(value * scale);
    return howling;
}

void renderChannel(std::vector<float> &samples, const std::vector<float> &strength, Random &random)
{
    const std::vector<float> body = SpectralShaper::noise(bodyShape, random);
    const std::vector<float> bright = SpectralShaper::noise(brightShape, random);
    const std::vector<float> howling = howl(strength, random);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double gust = strength[i];
        samples[i] = static_cast<float>(gust * body[i] + kBrightLevel * gust * gust * bright[i]
                                        + kHowlLevel * gust * std::sqrt(gust) * howling[i]);
    }
}

}

StereoLoop WindSound::render(Random &random)
{
    const std::vector<float> strength = gustStrength(random);
    std::vector<float> delayed(strength.size());
    const std::size_t travel = StereoLoop::frameAt(kGustTravelSeconds);
    for (std::size_t i = 0; i < strength.size(); ++i)
        delayed[(i + travel) % strength.size()] = strength[i];
    StereoLoop loop;
    renderChannel(loop.left(), strength, random);
    renderChannel(loop.right(), delayed, random);
    return loop;
}
