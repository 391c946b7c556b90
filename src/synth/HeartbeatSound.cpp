#include "synth/HeartbeatSound.h"

#include "synth/FilterShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Takes of each of the two sounds; the first half of the bank is the "lub", the second the
// "dub".
constexpr std::size_t kTakes = 64;
// Each sound is a thud: a few low partials under one swift rise and slower fall.
constexpr int kPartials = 4;
constexpr double kLubLowestHertz = 30.0;
constexpr double kLubHighestHertz = 90.0;
constexpr double kLubRiseSeconds = 0.01;
constexpr double kLubDecaySeconds = 0.05;
constexpr double kDubLowestHertz = 40.0;
constexpr double kDubHighestHertz = 100.0;
constexpr double kDubRiseSeconds = 0.006;
constexpr double kDubDecaySeconds = 0.035;
constexpr double kLengthInDecays = 10.0;
constexpr double kDubLevel = 0.65;
constexpr double kLevelSpread = 0.1;
// The pace wanders round its mean from beat to beat, held within a calm range.
constexpr double kMeanBeatsPerMinute = 65.0;
constexpr double kFewestBeatsPerMinute = 61.0;
constexpr double kMostBeatsPerMinute = 69.0;
constexpr double kPaceKept = 0.95;
constexpr double kPaceStep = 0.6;
// The heart quickens as the breath comes in and slows as it goes out, by this share.
constexpr double kBreathDepth = 0.035;
constexpr double kShortestBreathSeconds = 3.5;
constexpr double kLongestBreathSeconds = 5.0;
constexpr double kBeatJitter = 0.012;
// The "dub" follows the "lub" by this many seconds times the square root of the beat's
// interval in seconds: the heart's contraction lasts longer when it beats slowly.
constexpr double kSystole = 0.3;
constexpr double kSystoleJitterSeconds = 0.02;
constexpr double kRushLevel = 0.08;
constexpr std::size_t kPool = 16;
// Brings the whole to the common loudness of the shipped sounds, -21 LUFS.
constexpr double kLevel = 0.7488;

// Steep low-pass filters keep everything below 150 Hz.
double rushShape(double hertz)
{
    return FilterShape::highPass(hertz, 25.0, 2) * FilterShape::lowPass(hertz, 80.0, 8);
}

double thudTone(double hertz)
{
    return FilterShape::highPass(hertz, 20.0, 2) * FilterShape::lowPass(hertz, 100.0, 8);
}

std::vector<float> thud(std::size_t index, Random &random)
{
    const bool lub = index < kTakes;
    const double lowest = lub ? kLubLowestHertz : kDubLowestHertz;
    const double highest = lub ? kLubHighestHertz : kDubHighestHertz;
    const double rise = lub ? kLubRiseSeconds : kDubRiseSeconds;
    const double decay = (lub ? kLubDecaySeconds : kDubDecaySeconds) * random.uniform(0.8, 1.25);
    std::vector<double> hertz(kPartials);
    std::vector<double> level(kPartials);
    std::vector<double> phase(kPartials);
    for (int p = 0; p < kPartials; ++p) {
        hertz[p] = random.uniform(lowest, highest);
        // The lowest partials carry the weight.
        level[p] = lowest / hertz[p] * random.uniform(0.5, 1.0);
        phase[p] = random.phase();
    }
    const double rate = LiveSound::doubledRate;
    const auto length = static_cast<std::size_t>(kLengthInDecays * decay * rate);
    std::vector<float> samples(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / rate;
        // Rises from nothing with no slope and falls away smoothly: no corner anywhere.
        const double onset = 1.0 - std::exp(-time / rise);
        const double envelope = onset * onset * std::exp(-time / decay);
        double sum = 0.0;
        for (int p = 0; p < kPartials; ++p)
            sum += level[p] * std::sin(2.0 * std::numbers::pi * hertz[p] * time + phase[p]);
        samples[i] = static_cast<float>(envelope * sum);
    }
    return samples;
}

}

HeartbeatSound::HeartbeatSound(Random &random)
    : m_rush(rushShape, doubledRate, random)
    , m_rushGain(static_cast<float>(kLevel * kRushLevel))
    , m_sounds(2 * kTakes, thud, thudTone, doubledRate, kPool, random)
    , m_random(random.next())
    , m_beatsPerMinute(m_random.uniform(kFewestBeatsPerMinute, kMostBeatsPerMinute))
    , m_breathPhase(m_random.phase())
    , m_breathSeconds(m_random.uniform(kShortestBreathSeconds, kLongestBreathSeconds))
    , m_untilBeat(m_random.uniform(0.0, 1.0) * doubledRate)
{
}

void HeartbeatSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_rush.addTo(left, right, frames, m_rushGain);
    scheduleBeats(frames);
    m_sounds.addTo(left, right, frames);
}

void HeartbeatSound::scheduleBeats(std::size_t frames) noexcept
{
    const auto end = static_cast<double>(frames);
    while (m_untilBeat < end) {
        scheduleBeat(static_cast<std::uint64_t>(m_untilBeat));
        m_untilBeat += nextInterval() * doubledRate;
    }
    m_untilBeat -= end;
}

void HeartbeatSound::scheduleBeat(std::uint64_t delay) noexcept
{
    const double interval = 60.0 / m_beatsPerMinute;
    const double systole = kSystole * std::sqrt(interval) + kSystoleJitterSeconds * m_random.gaussian();
    const std::size_t lub = m_random.next() % kTakes;
    const std::size_t dub = kTakes + m_random.next() % kTakes;
    const double lubGain = kLevel * m_random.uniform(1.0 - kLevelSpread, 1.0 + kLevelSpread) / m_sounds.peak(lub);
    const double dubGain = kLevel * kDubLevel * m_random.uniform(1.0 - kLevelSpread, 1.0 + kLevelSpread) / m_sounds.peak(dub);
    m_sounds.schedule(delay, lub, EventField::placed(lubGain, 0.0));
    m_sounds.schedule(delay + static_cast<std::uint64_t>(systole * doubledRate), dub, EventField::placed(dubGain, 0.0));
}

double HeartbeatSound::nextInterval() noexcept
{
    const double wander = kPaceKept * (m_beatsPerMinute - kMeanBeatsPerMinute) + kPaceStep * m_random.gaussian();
    m_beatsPerMinute = std::clamp(kMeanBeatsPerMinute + wander, kFewestBeatsPerMinute, kMostBeatsPerMinute);
    const double interval = 60.0 / m_beatsPerMinute;
    m_breathPhase += 2.0 * std::numbers::pi * interval / m_breathSeconds;
    if (m_breathPhase >= 2.0 * std::numbers::pi) {
        m_breathPhase -= 2.0 * std::numbers::pi;
        m_breathSeconds = m_random.uniform(kShortestBreathSeconds, kLongestBreathSeconds);
    }
    return interval * (1.0 - kBreathDepth * std::sin(m_breathPhase)) * (1.0 + kBeatJitter * m_random.gaussian());
}
