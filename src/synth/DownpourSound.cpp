#include "synth/DownpourSound.h"

#include "synth/FilterShape.h"
#include "synth/WideLoops.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

// Three seconds of noise that the splashes read from random places.
constexpr std::size_t kSplashTableFrames = std::size_t{1} << 16;

constexpr DropStyle kDrops{
    .dropsPerSecond = 500.0,
    .sizeSkew = 2.5,
    .lowestPitchHertz = 900.0,
    .highestPitchHertz = 3500.0,
    .distanceSpreadDecibels = 10.0,
    .clickLevel = 0.5,
    .ringLevel = 0.8,
    .width = 1.0,
};
constexpr double kRoarLevel = 0.15;
constexpr double kHissLevel = 0.12;
constexpr double kSplashesPerSecond = 0.3;
constexpr double kSplashLevel = 0.6;
constexpr double kShortestSplashSeconds = 0.08;
constexpr double kLongestSplashSeconds = 0.2;
constexpr double kSplashOnsetSeconds = 0.004;
constexpr double kSplashLengthInDecays = 5.0;
// A one-pole smoothing gives the splash its weight below the drops' pitch.
constexpr double kSplashSmoothing = 0.35;
constexpr double kSwellHertz = 0.08;
constexpr double kSwellDepth = 0.2;
// The swell rises and falls over tens of seconds but does not drift for minutes: slower
// wandering is taken out of the curve, which keeps 0.733 of its RMS (measured over hours)
// and is brought back to an RMS of 1.
constexpr double kSteadiestHertz = 0.021;
constexpr double kSwellKept = 0.733;
// The swell's gain moves in straight lines this long, as smooth as the curve itself.
constexpr std::size_t kSwellStep = 64;
// Brings the whole to the common loudness of the shipped sounds, -21 LUFS.
constexpr double kLevel = 0.2067;
constexpr double kCeiling = 0.87;

double roarShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -4.0) * FilterShape::bandPass(hertz, 40.0, 450.0, 2);
}

double hissShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -3.0) * FilterShape::bandPass(hertz, 400.0, 5000.0, 2);
}

double tone(double hertz)
{
    return FilterShape::lowPass(hertz, 6000.0, 2);
}

// The roar and the hiss are independent noises, so one bed with the sum of their powers
// sounds as the two would.
double bedShape(double hertz)
{
    static const double roarPower = NoiseTable::power(roarShape, LiveSound::sampleRate);
    static const double hissPower = NoiseTable::power(hissShape, LiveSound::sampleRate);
    const double roar = kRoarLevel * roarShape(hertz);
    const double hiss = kHissLevel * hissShape(hertz);
    return tone(hertz) * std::sqrt(roar * roar / roarPower + hiss * hiss / hissPower);
}

double splashShape(double hertz)
{
    const double angle = 2.0 * std::numbers::pi * hertz / LiveSound::sampleRate;
    return tone(hertz) * kSplashSmoothing / std::abs(1.0 - (1.0 - kSplashSmoothing) * std::polar(1.0, -angle));
}

}

DownpourSound::DownpourSound(Random &random)
    : m_bed(bedShape, sampleRate, random)
    , m_bedGain(static_cast<float>(kLevel * std::sqrt(NoiseTable::power(bedShape, sampleRate))))
    , m_drops(kDrops, tone, kLevel, kCeiling, sampleRate, random)
    , m_splashNoise(splashShape, kSplashTableFrames, sampleRate, random)
    , m_splashGain(static_cast<float>(kLevel * kSplashLevel * std::sqrt(NoiseTable::power(splashShape, sampleRate))))
    , m_swell(kSwellHertz, sampleRate, random)
    , m_driftPull(static_cast<float>(2.0 * std::numbers::pi * kSteadiestHertz / sampleRate))
    , m_random(random.next())
{
    m_untilSplash = -std::log(1.0 - m_random.uniform()) * sampleRate / kSplashesPerSecond;
    m_drift = m_swell.next();
}

void DownpourSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_bed.addTo(left, right, frames, m_bedGain);
    m_drops.addTo(left, right, frames);
    addSplashes(left, right, frames);
    swell(left, right, frames);
}

void DownpourSound::addSplashes(float *left, float *right, std::size_t frames) noexcept
{
    const auto end = static_cast<double>(frames);
    while (m_untilSplash < end) {
        startSplash(static_cast<std::size_t>(m_untilSplash));
        m_untilSplash += -std::log(1.0 - m_random.uniform()) * sampleRate / kSplashesPerSecond;
    }
    m_untilSplash -= end;
    std::size_t index = 0;
    while (index < m_splashing) {
        Splash &splash = m_splashes[index];
        addSplash(splash, left, right, frames);
        if (splash.remaining == 0)
            splash = m_splashes[--m_splashing];
        else
            ++index;
    }
}

void DownpourSound::addSplash(Splash &splash, float *left, float *right, std::size_t frames) noexcept
{
    const std::size_t count = std::min(frames - splash.delay, splash.remaining);
    constexpr std::size_t wrap = kSplashTableFrames - 1;
    for (std::size_t i = splash.delay; i < splash.delay + count; ++i) {
        const float sample = std::min(splash.onset, 1.0f) * splash.decay * splash.noise[splash.place];
        left[i] += splash.leftGain * sample;
        right[i] += splash.rightGain * sample;
        splash.place = (splash.place + 1) & wrap;
        splash.onset += splash.onsetStep;
        splash.decay *= splash.decayStep;
    }
    splash.remaining -= count;
    splash.delay = 0;
}

void DownpourSound::startSplash(std::size_t delay) noexcept
{
    const double place = m_random.uniform(-0.8, 0.8);
    const double level = m_random.uniform(0.5, 1.0);
    const double seconds = m_random.uniform(kShortestSplashSeconds, kLongestSplashSeconds);
    const std::uint64_t draw = m_random.next();
    if (m_splashing == m_splashes.size())
        return;
    const double angle = (place + 1.0) * std::numbers::pi / 4.0;
    const auto gain = static_cast<float>(level * m_splashGain);
    m_splashes[m_splashing++] = {
        .noise = m_splashNoise.side(static_cast<int>(draw & 1)),
        .place = static_cast<std::size_t>(draw >> 1) & (kSplashTableFrames - 1),
        .remaining = static_cast<std::size_t>(kSplashLengthInDecays * seconds * sampleRate),
        .delay = delay,
        .leftGain = gain * static_cast<float>(std::cos(angle)),
        .rightGain = gain * static_cast<float>(std::sin(angle)),
        .onset = 0.0f,
        .onsetStep = static_cast<float>(1.0 / (kSplashOnsetSeconds * sampleRate)),
        .decay = 1.0f,
        .decayStep = static_cast<float>(std::exp(-1.0 / (seconds * sampleRate))),
    };
}

WIDE_LOOPS void DownpourSound::swell(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t first = 0; first < frames; first += kSwellStep) {
        const std::size_t count = std::min(kSwellStep, frames - first);
        const float value = m_swell.skip(count);
        m_drift += m_driftPull * static_cast<float>(count) * (value - m_drift);
        const auto target = static_cast<float>(std::exp(kSwellDepth / kSwellKept * (value - m_drift)));
        const float step = (target - m_swellGain) / static_cast<float>(count);
        for (std::size_t i = 0; i < count; ++i) {
            const float gain = m_swellGain + step * frameAt(i + 1);
            left[first + i] *= gain;
            right[first + i] *= gain;
        }
        m_swellGain = target;
    }
}
