#include "synth/FireplaceSound.h"

#include "synth/FilterShape.h"
#include "synth/NoiseMixture.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kRoarLevel = 0.35;
constexpr double kHissLevel = 0.05;
constexpr double kFlickerHertz = 1.5;
constexpr double kFlickerDepth = 0.25;
// The bank: crackles first, then pops.
constexpr std::size_t kCrackleShapes = 96;
constexpr std::size_t kPopShapes = 16;
constexpr double kShortestCrackleSeconds = 0.0001;
constexpr double kLongestCrackleSeconds = 0.0015;
constexpr double kShortestPopSeconds = 0.001;
constexpr double kLongestPopSeconds = 0.004;
constexpr double kPopLowestHertz = 150.0;
constexpr double kPopHighestHertz = 400.0;
constexpr double kPopRingSeconds = 0.008;
constexpr double kLengthInDecays = 8.0;
constexpr double kCracklesPerSecond = 12.0;
constexpr double kBurstsPerSecond = 2.0;
constexpr int kMostInBurst = 16;
constexpr double kShortestBurstSeconds = 0.01;
constexpr double kLongestBurstSeconds = 0.4;
constexpr double kPopsPerSecond = 0.12;
// Sizes spread over a wide range: most crackles are small, a few are loud.
constexpr double kSizeSpread = 0.8;
constexpr double kPopLevel = 2.5;
constexpr double kWidth = 0.6;
constexpr std::size_t kPool = 256;
// Brings the whole to the common loudness of the shipped sounds, -21 LUFS.
constexpr double kLevel = 0.1916;
constexpr double kCrackleLevel = 3.47;
// A single crackle is eased below the ceiling as it starts; the rare moment when two loud
// ones meet is rounded off.
constexpr double kCrackleKnee = 0.45;
constexpr double kCrackleTop = 0.6;
constexpr float kKnee = 0.6f;
constexpr float kCeiling = 0.76f;

double roarShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -4.0) * FilterShape::bandPass(hertz, 30.0, 500.0, 2);
}

double hissShape(double hertz)
{
    return FilterShape::bandPass(hertz, 2000.0, 7000.0, 2);
}

const NoiseMixture &flames()
{
    static const NoiseMixture mixture({{roarShape, 1.0}, {hissShape, kHissLevel}},
                                      NoiseBed::tableFrames(LiveSound::doubledRate), LiveSound::doubledRate);
    return mixture;
}

double crackleTone(double hertz)
{
    return FilterShape::highPass(hertz, 150.0, 2) * FilterShape::lowPass(hertz, 6000.0, 4);
}

// A crackle is a burst of noise gone within a millisecond; a pop lasts a few and thumps.
std::vector<float> crackle(std::size_t index, Random &random)
{
    const double rate = LiveSound::doubledRate;
    const bool pop = index >= kCrackleShapes;
    const double seconds = pop ? random.uniform(kShortestPopSeconds, kLongestPopSeconds)
                               : kShortestCrackleSeconds * std::pow(kLongestCrackleSeconds / kShortestCrackleSeconds, random.uniform());
    const double ringSeconds = pop ? kPopRingSeconds : seconds;
    const double hertz = random.uniform(kPopLowestHertz, kPopHighestHertz);
    const double phase = random.phase();
    const auto length = static_cast<std::size_t>(kLengthInDecays * ringSeconds * rate) + 2;
    std::vector<float> samples(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / rate;
        double value = std::exp(-time / seconds) * random.gaussian();
        if (pop)
            value += 0.5 * (1.0 - std::exp(-time / 0.0005)) * std::exp(-time / kPopRingSeconds)
                     * std::sin(2.0 * std::numbers::pi * hertz * time + phase);
        samples[i] = static_cast<float>(value);
    }
    return samples;
}

double softPeak(double peak)
{
    if (peak <= kCrackleKnee)
        return peak;
    return kCrackleKnee + (kCrackleTop - kCrackleKnee) * std::tanh((peak - kCrackleKnee) / (kCrackleTop - kCrackleKnee));
}

double exponentialGap(Random &random, double perSecond)
{
    return -std::log(1.0 - random.uniform()) * LiveSound::doubledRate / perSecond;
}

}

FireplaceSound::FireplaceSound(Random &random)
    : m_roar(flames().response(), doubledRate, random)
    , m_roarGain(static_cast<float>(kLevel * kRoarLevel * flames().rms()))
    , m_flicker(kFlickerHertz, doubledRate / static_cast<double>(controlFrames), random)
    , m_crackles(kCrackleShapes + kPopShapes, crackle, crackleTone, doubledRate, kPool, random)
    , m_random(random.next())
    , m_untilCrackle(exponentialGap(m_random, kCracklesPerSecond))
    , m_untilBurst(exponentialGap(m_random, kBurstsPerSecond))
    , m_untilPop(exponentialGap(m_random, kPopsPerSecond))
    , m_ceiling(kKnee, kCeiling)
{
    m_flickerGain = static_cast<float>(std::exp(kFlickerDepth * m_flicker.next()));
}

void FireplaceSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_roar.addTo(left, right, frames, m_roarGain);
    flicker(left, right, frames);
    scheduleCrackles(frames);
    m_crackles.addTo(left, right, frames);
    m_ceiling.apply(left, frames);
    m_ceiling.apply(right, frames);
}

void FireplaceSound::flicker(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t first = 0; first < frames; first += controlFrames) {
        const std::size_t count = std::min(controlFrames, frames - first);
        const auto target = static_cast<float>(std::exp(kFlickerDepth * m_flicker.next()));
        const float step = (target - m_flickerGain) / static_cast<float>(count);
        for (std::size_t i = 0; i < count; ++i) {
            const float gain = m_flickerGain + step * static_cast<float>(i + 1);
            left[first + i] *= gain;
            right[first + i] *= gain;
        }
        m_flickerGain = target;
    }
}

void FireplaceSound::scheduleCrackles(std::size_t frames) noexcept
{
    const auto end = static_cast<double>(frames);
    while (m_untilCrackle < end) {
        const std::size_t shape = m_random.next() % kCrackleShapes;
        scheduleCrackle(static_cast<std::uint64_t>(m_untilCrackle), shape, 1.0, kWidth * m_random.uniform(-1.0, 1.0));
        m_untilCrackle += exponentialGap(m_random, kCracklesPerSecond);
    }
    m_untilCrackle -= end;
    while (m_untilBurst < end) {
        scheduleBurst(static_cast<std::uint64_t>(m_untilBurst));
        m_untilBurst += exponentialGap(m_random, kBurstsPerSecond);
    }
    m_untilBurst -= end;
    while (m_untilPop < end) {
        const std::size_t shape = kCrackleShapes + m_random.next() % kPopShapes;
        scheduleCrackle(static_cast<std::uint64_t>(m_untilPop), shape, kPopLevel, kWidth * m_random.uniform(-1.0, 1.0));
        m_untilPop += exponentialGap(m_random, kPopsPerSecond);
    }
    m_untilPop -= end;
}

void FireplaceSound::scheduleBurst(std::uint64_t delay) noexcept
{
    const double seconds = m_random.uniform(kShortestBurstSeconds, kLongestBurstSeconds);
    const double place = kWidth * m_random.uniform(-1.0, 1.0);
    const int count = 2 + static_cast<int>(m_random.uniform() * (kMostInBurst - 1));
    for (int n = 0; n < count; ++n) {
        const auto at = delay + static_cast<std::uint64_t>(m_random.uniform(0.0, seconds) * doubledRate);
        scheduleCrackle(at, m_random.next() % kCrackleShapes, 1.0, std::clamp(place + 0.1 * m_random.gaussian(), -1.0, 1.0));
    }
}

void FireplaceSound::scheduleCrackle(std::uint64_t delay, std::size_t shape, double size, double place) noexcept
{
    const double polarity = m_random.uniform() < 0.5 ? -1.0 : 1.0;
    // The crackle's own peak, before it is placed.
    const double peak = kLevel * kCrackleLevel * size * std::exp(kSizeSpread * m_random.gaussian());
    m_crackles.schedule(delay, shape, EventField::placed(polarity * softPeak(peak) / m_crackles.peak(shape), place));
}
