#include "synth/BrookSound.h"

#include "synth/FilterShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kLowestPitchHertz = 300.0;
constexpr double kHighestPitchHertz = 3000.0;
// Every size in the bank in several takes, each ringing its own way.
constexpr std::size_t kSizes = 48;
constexpr std::size_t kTakes = 4;
// A bubble rings for this many cycles or so before it has fallen by e, and its pitch rises
// by up to this share as it shrinks and nears the surface.
constexpr double kFewestCycles = 3.0;
constexpr double kMostCycles = 7.0;
constexpr double kLeastGlide = 0.1;
constexpr double kMostGlide = 0.4;
// A bubble ends where it has fallen to a hundredth of its start, faded out over its last
// decay so that it does not stop with a step.
constexpr double kLengthInDecays = 4.6;
constexpr double kBubblesPerSecond = 50.0;
// The flow quickens and slows: the steady stream's pace swings by this factor or its inverse
// about once a standard deviation, over a second or so.
constexpr double kFlowHertz = 1.5;
constexpr double kFlowDepth = 0.7;
constexpr double kClustersPerSecond = 2.5;
constexpr int kFewestInCluster = 3;
constexpr int kMostInCluster = 12;
constexpr double kShortestClusterSeconds = 0.04;
constexpr double kLongestClusterSeconds = 0.25;
// The bubbles of a cluster are of about one size and come from about one place.
constexpr double kClusterSizeSpread = 0.08;
constexpr double kClusterPlaceSpread = 0.1;
constexpr double kDistanceSpreadDecibels = 14.0;
constexpr double kWidth = 0.9;
constexpr double kWashLevel = 0.25;
constexpr std::size_t kPool = 256;
// Brings the whole to the common loudness of the shipped sounds, -21 LUFS.
constexpr double kLevel = 0.2035;
// The shipped sounds' peaks stay below -1.2 dBFS.
constexpr float kKnee = 0.7f;
constexpr float kCeiling = 0.86f;

double washShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -3.0) * FilterShape::bandPass(hertz, 200.0, 5000.0, 2);
}

double bubbleTone(double hertz)
{
    return FilterShape::lowPass(hertz, 6000.0, 2);
}

double sizeOf(std::size_t index)
{
    return (static_cast<double>(index / kTakes) + 0.5) / kSizes;
}

// A bubble of the bank's size `index`: a ring that starts within a quarter cycle and rises
// in pitch as it dies away.
std::vector<float> bubble(std::size_t index, Random &random)
{
    const double rate = LiveSound::doubledRate;
    const double pitch = kHighestPitchHertz * std::pow(kLowestPitchHertz / kHighestPitchHertz, sizeOf(index));
    const double decaySeconds = random.uniform(kFewestCycles, kMostCycles) / pitch;
    const double glide = random.uniform(kLeastGlide, kMostGlide);
    const double onsetSeconds = 0.25 / pitch;
    const auto length = static_cast<std::size_t>(kLengthInDecays * decaySeconds * rate);
    std::vector<float> samples(length);
    double angle = random.phase();
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / rate;
        angle += 2.0 * std::numbers::pi * pitch * (1.0 + glide * (1.0 - std::exp(-time / decaySeconds))) / rate;
        const double onset = std::sin(0.5 * std::numbers::pi * std::min(1.0, time / onsetSeconds));
        const double fade = std::min(1.0, (kLengthInDecays * decaySeconds - time) / decaySeconds);
        samples[i] = static_cast<float>(onset * fade * std::exp(-time / decaySeconds) * std::sin(angle));
    }
    return samples;
}

double exponentialGap(Random &random)
{
    return -std::log(1.0 - random.uniform());
}

}

BrookSound::BrookSound(Random &random)
    : m_wash(washShape, doubledRate, random)
    , m_washGain(static_cast<float>(kLevel * kWashLevel))
    , m_bubbles(kSizes * kTakes, bubble, bubbleTone, doubledRate, kPool, random)
    , m_flow(kFlowHertz, doubledRate / static_cast<double>(controlFrames), random)
    , m_random(random.next())
    , m_untilBubble(exponentialGap(m_random))
    , m_untilCluster(exponentialGap(m_random) * doubledRate / kClustersPerSecond)
    , m_ceiling(kKnee, kCeiling)
{
}

void BrookSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_wash.addTo(left, right, frames, m_washGain);
    for (std::size_t done = 0; done < frames; done += controlFrames) {
        const std::size_t count = std::min(controlFrames, frames - done);
        scheduleBubbles(count);
        m_bubbles.addTo(left + done, right + done, count);
    }
    m_ceiling.apply(left, frames);
    m_ceiling.apply(right, frames);
}

void BrookSound::scheduleBubbles(std::size_t frames) noexcept
{
    // The flow's swing divided by its mean, so the pace over a minute stays the same.
    const double pace = std::exp(kFlowDepth * m_flow.next() - 0.5 * kFlowDepth * kFlowDepth);
    const double framesPerBubble = doubledRate / (kBubblesPerSecond * pace);
    const double due = static_cast<double>(frames) / framesPerBubble;
    while (m_untilBubble < due) {
        const auto delay = static_cast<std::uint64_t>(m_untilBubble * framesPerBubble);
        scheduleBubble(delay, m_random.uniform(), kWidth * m_random.uniform(-1.0, 1.0));
        m_untilBubble += exponentialGap(m_random);
    }
    m_untilBubble -= due;
    const auto end = static_cast<double>(frames);
    while (m_untilCluster < end) {
        scheduleCluster(static_cast<std::uint64_t>(m_untilCluster));
        m_untilCluster += exponentialGap(m_random) * doubledRate / kClustersPerSecond;
    }
    m_untilCluster -= end;
}

void BrookSound::scheduleCluster(std::uint64_t delay) noexcept
{
    const double size = m_random.uniform();
    const double place = kWidth * m_random.uniform(-1.0, 1.0);
    const double seconds = m_random.uniform(kShortestClusterSeconds, kLongestClusterSeconds);
    const int count = kFewestInCluster + static_cast<int>(m_random.uniform() * (kMostInCluster - kFewestInCluster + 1));
    for (int n = 0; n < count; ++n) {
        const auto at = delay + static_cast<std::uint64_t>(m_random.uniform(0.0, seconds) * doubledRate);
        const double bubbleSize = std::clamp(size + kClusterSizeSpread * m_random.gaussian(), 0.0, 1.0);
        scheduleBubble(at, bubbleSize, std::clamp(place + kClusterPlaceSpread * m_random.gaussian(), -1.0, 1.0));
    }
}

void BrookSound::scheduleBubble(std::uint64_t delay, double size, double place) noexcept
{
    const auto index = std::min(kSizes - 1, static_cast<std::size_t>(size * kSizes));
    const std::size_t shape = index * kTakes + m_random.next() % kTakes;
    const double distance = std::pow(10.0, -m_random.uniform(0.0, kDistanceSpreadDecibels) / 20.0);
    // Larger bubbles ring louder; either polarity, so that no two takes are alike.
    const double polarity = m_random.uniform() < 0.5 ? -1.0 : 1.0;
    const double gain = polarity * kLevel * distance * (0.5 + 0.5 * size) / m_bubbles.peak(shape);
    m_bubbles.schedule(delay, shape, EventField::placed(gain, place));
}
