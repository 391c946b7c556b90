#include "Mastering.h"

#include "StereoLoop.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <vector>

namespace {

// A peak is caught this long before it arrives and released as slowly: short enough
// to touch only the single drop or crackle that needs it.
constexpr double kLimiterReachSeconds = 0.003;
constexpr int kLoudnessPasses = 4;

double decibelsToGain(double decibels)
{
    return std::pow(10.0, decibels / 20.0);
}

std::vector<float> requiredGains(const StereoLoop &loop, double ceiling)
{
    std::vector<float> gains(StereoLoop::kFrames);
    for (std::size_t i = 0; i < StereoLoop::kFrames; ++i) {
        const double peak = std::max(std::fabs(loop.channel(0)[i]), std::fabs(loop.channel(1)[i]));
        gains[i] = peak > ceiling ? static_cast<float>(ceiling / peak) : 1.0f;
    }
    return gains;
}

// Sliding minimum over [i - radius, i + radius], wrapping round the loop.
std::vector<float> circularMinimum(const std::vector<float> &values, std::size_t radius)
{
    const std::size_t size = values.size();
    std::vector<float> result(size);
    std::deque<std::size_t> candidates;
    for (std::size_t step = 0; step < size + 2 * radius; ++step) {
        const std::size_t position = step;
        while (!candidates.empty() && values[candidates.back() % size] >= values[position % size])
            candidates.pop_back();
        candidates.push_back(position);
        if (step < 2 * radius)
            continue;
        const std::size_t windowStart = step - 2 * radius;
        while (candidates.front() < windowStart)
            candidates.pop_front();
        result[(windowStart + radius) % size] = values[candidates.front() % size];
    }
    return result;
}

std::vector<float> circularAverage(const std::vector<float> &values, std::size_t radius)
{
    const std::size_t size = values.size();
    const double width = static_cast<double>(2 * radius + 1);
    double sum = 0.0;
    for (std::size_t offset = size - radius; offset < size + radius + 1; ++offset)
        sum += values[offset % size];
    std::vector<float> result(size);
    for (std::size_t i = 0; i < size; ++i) {
        result[i] = static_cast<float>(sum / width);
        sum += values[(i + radius + 1) % size] - values[(i + size - radius) % size];
    }
    return result;
}

}

void Mastering::master(StereoLoop &loop)
{
    removeDc(loop);
    const double ceiling = decibelsToGain(kCeilingDbfs);
    // Limiting lowers the loudness a little, so gain and limiting alternate until both hold.
    for (int pass = 0; pass < kLoudnessPasses; ++pass) {
        applyGain(loop, decibelsToGain(kTargetLufs - integratedLoudness(loop)));
        limitPeaks(loop, ceiling);
    }
}

double Mastering::integratedLoudness(const StereoLoop &loop)
{
    std::unique_ptr<ebur128_state, void (*)(ebur128_state *)> state(
        ebur128_init(2, static_cast<unsigned long>(StereoLoop::kSampleRate), EBUR128_MODE_I),
        [](ebur128_state *pointer) { ebur128_destroy(&pointer); });
    std::vector<float> interleaved(2 * StereoLoop::kFrames);
    for (std::size_t i = 0; i < StereoLoop::kFrames; ++i) {
        interleaved[2 * i] = loop.channel(0)[i];
        interleaved[2 * i + 1] = loop.channel(1)[i];
    }
    ebur128_add_frames_float(state.get(), interleaved.data(), StereoLoop::kFrames);
    double loudness = 0.0;
    ebur128_loudness_global(state.get(), &loudness);
    return loudness;
}

void Mastering::removeDc(StereoLoop &loop)
{
    for (int index = 0; index < 2; ++index) {
        auto &samples = loop.channel(index);
        double sum = 0.0;
        for (const float sample : samples)
            sum += sample;
        const auto mean = static_cast<float>(sum / static_cast<double>(samples.size()));
        for (float &sample : samples)
            sample -= mean;
    }
}

void Mastering::applyGain(StereoLoop &loop, double gain)
{
    for (int index = 0; index < 2; ++index) {
        for (float &sample : loop.channel(index))
            sample = static_cast<float>(sample * gain);
    }
}

void Mastering::limitPeaks(StereoLoop &loop, double ceiling)
{
    const auto radius = static_cast<std::size_t>(kLimiterReachSeconds * StereoLoop::kSampleRate);
    // The average of minima over a window no wider than theirs never exceeds the gain
    // each peak needs, and it moves smoothly, so no step is added to the sound.
    const std::vector<float> gains = circularAverage(circularMinimum(requiredGains(loop, ceiling), radius), radius);
    for (int index = 0; index < 2; ++index) {
        auto &samples = loop.channel(index);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] *= gains[i];
    }
}
