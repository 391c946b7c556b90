#include "OceanSound.h"

#include "synth/FilterShape.h"
#include "synth/Random.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

constexpr int kWaves = 6;
constexpr double kShortestGapSeconds = 6.0;
constexpr double kLongestGapSeconds = 12.0;
constexpr double kSwellSeconds = 3.0;
constexpr double kBreakSeconds = 0.5;
constexpr double kRecedeSeconds = 2.2;
constexpr double kWaveSeconds = kSwellSeconds + 6.0 * kRecedeSeconds;
constexpr double kSwellLevel = 0.35;
constexpr double kFloor = 0.12;
constexpr double kRumbleLevel = 0.7;
constexpr double kWashLevel = 1.0;
constexpr double kHissLevel = 0.55;

double rumbleShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -4.0) * FilterShape::bandPass(hertz, 35.0, 300.0, 2);
}

double washShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -2.0) * FilterShape::bandPass(hertz, 150.0, 2500.0, 2);
}

double hissShape(double hertz)
{
    return FilterShape::bell(hertz, 3500.0, 0.8);
}

// Gaps between breaks, jittered but summing to the loop so the last wave leads into the first.
std::vector<double> breakTimes(Random &random)
{
    for (;;) {
        std::vector<double> gaps(kWaves);
        for (double &gap : gaps)
            gap = random.uniform(0.7, 1.3);
        const double scale = StereoLoop::kSeconds / std::accumulate(gaps.begin(), gaps.end(), 0.0);
        for (double &gap : gaps)
            gap *= scale;
        if (*std::min_element(gaps.begin(), gaps.end()) < kShortestGapSeconds
            || *std::max_element(gaps.begin(), gaps.end()) > kLongestGapSeconds)
            continue;
        std::vector<double> times(kWaves);
        std::partial_sum(gaps.begin(), gaps.end(), times.begin());
        return times;
    }
}

// Level of one wave relative to its break: a slow swell, the crash, then a long recede.
double waveShape(double seconds)
{
    if (seconds < -kSwellSeconds)
        return 0.0;
    if (seconds < -kBreakSeconds) {
        const double rise = (seconds + kSwellSeconds) / (kSwellSeconds - kBreakSeconds);
        return kSwellLevel * rise * rise;
    }
    if (seconds < 0.0) {
        const double crash = (seconds + kBreakSeconds) / kBreakSeconds;
        return kSwellLevel + (1.0 - kSwellLevel) * crash * crash;
    }
    return std::exp(-seconds / kRecedeSeconds);
}

struct Envelopes
{
    std::vector<float> left;
    std::vector<float> right;
};

Envelopes waveEnvelopes(Random &random)
{
    Envelopes envelopes{std::vector<float>(StereoLoop::kFrames, kFloor), std::vector<float>(StereoLoop::kFrames, kFloor)};
    for (const double breakTime : breakTimes(random)) {
        const double strength = random.uniform(0.7, 1.0);
        const double place = random.uniform(-0.5, 0.5);
        const double first = breakTime - kSwellSeconds;
        const auto length = static_cast<std::size_t>(kWaveSeconds * StereoLoop::kSampleRate);
        const std::size_t start = StereoLoop::frameAt(first);
        for (std::size_t i = 0; i < length; ++i) {
            const double level = strength * waveShape(static_cast<double>(i) / StereoLoop::kSampleRate - kSwellSeconds);
            const std::size_t frame = (start + i) % StereoLoop::kFrames;
            envelopes.left[frame] += static_cast<float>(level * StereoLoop::leftGain(place) * std::sqrt(2.0));
            envelopes.right[frame] += static_cast<float>(level * StereoLoop::rightGain(place) * std::sqrt(2.0));
        }
    }
    return envelopes;
}

void renderChannel(std::vector<float> &samples, const std::vector<float> &envelope, Random &random)
{
    const std::vector<float> rumble = SpectralShaper::noise(rumbleShape, random);
    const std::vector<float> wash = SpectralShaper::noise(washShape, random);
    const std::vector<float> hiss = SpectralShaper::noise(hissShape, random);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double level = envelope[i];
        samples[i] = static_cast<float>(kRumbleLevel * (0.5 + 0.5 * level) * rumble[i] + kWashLevel * level * wash[i]
                                        + kHissLevel * level * level * hiss[i]);
    }
}

}

StereoLoop OceanSound::render(Random &random)
{
    const Envelopes envelopes = waveEnvelopes(random);
    StereoLoop loop;
    renderChannel(loop.left(), envelopes.left, random);
    renderChannel(loop.right(), envelopes.right, random);
    return loop;
}
