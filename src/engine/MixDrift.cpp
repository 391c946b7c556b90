#include "engine/MixDrift.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double shortestPeriod = 90.0;
constexpr double longestPeriod = 600.0;

// splitmix64: a tiny, allocation-free generator, so the audio thread may draw new paths.
std::uint64_t nextRandom(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double unit(std::uint64_t &state)
{
    return static_cast<double>(nextRandom(state) >> 11) / static_cast<double>(1ULL << 53);
}

}

MixDrift::MixDrift(int sampleRate, std::uint32_t seed)
    : m_rate(sampleRate)
    , m_seed(seed)
    , m_seenSeed(seed)
{
    drawPaths(seed);
}

void MixDrift::setDepth(int hundredthsOfDecibel)
{
    m_depth.store(std::clamp(hundredthsOfDecibel, 0, maximumDepth), std::memory_order_relaxed);
}

void MixDrift::setSeed(std::uint32_t seed)
{
    m_seed.store(seed, std::memory_order_relaxed);
}

void MixDrift::drawPaths(std::uint32_t seed) noexcept
{
    std::uint64_t state = seed;
    for (auto &channel : m_paths) {
        for (auto &path : channel) {
            for (Sine &sine : path) {
                const double period = shortestPeriod * std::pow(longestPeriod / shortestPeriod, unit(state));
                sine.radiansPerSecond = 2.0 * std::numbers::pi / period;
                sine.phase = 2.0 * std::numbers::pi * unit(state);
                sine.weight = 0.5 + 0.5 * unit(state);
            }
        }
    }
}

float MixDrift::path(int channel, int which, double seconds) const noexcept
{
    const auto &sinesOfPath = m_paths[static_cast<std::size_t>(channel - 1)][static_cast<std::size_t>(which)];
    double sum = 0.0;
    double weights = 0.0;
    for (const Sine &sine : sinesOfPath) {
        sum += sine.weight * std::sin(sine.radiansPerSecond * seconds + sine.phase);
        weights += sine.weight;
    }
    return static_cast<float>(sum / weights);
}

void MixDrift::advance(std::size_t frames) noexcept
{
    const std::uint32_t seed = m_seed.load(std::memory_order_relaxed);
    if (seed != m_seenSeed) {
        m_seenSeed = seed;
        drawPaths(seed);
    }
    const auto target = static_cast<float>(m_depth.load(std::memory_order_relaxed));
    const auto maxStep = static_cast<float>(maximumDepth * static_cast<double>(frames) / (depthRampSeconds * m_rate));
    m_appliedDepth = std::clamp(target, m_appliedDepth - maxStep, m_appliedDepth + maxStep);

    const double seconds = static_cast<double>(m_frames) / m_rate;
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const auto index = static_cast<std::size_t>(channel - 1);
        if (m_appliedDepth == 0.0f) {
            m_volumeOffsets[index] = 0.0f;
            m_panOffsets[index] = 0.0f;
            continue;
        }
        m_volumeOffsets[index] = m_appliedDepth * path(channel, 0, seconds);
        m_panOffsets[index] = 0.5f * m_appliedDepth * path(channel, 1, seconds);
    }
    m_frames += frames;
}
