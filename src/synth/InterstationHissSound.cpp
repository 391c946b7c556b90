#include "synth/InterstationHissSound.h"

#include "synth/FilterShape.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// FM noise rises with frequency until the receiver's 50 microsecond de-emphasis flattens it.
constexpr double kDeEmphasisHertz = 3183.0;
// The receiver's band, which also rounds the clicks off.
constexpr double kTopHertz = 7000.0;
constexpr double kFadeLowestHertz = 0.021;
constexpr double kFadeHighestHertz = 0.2;
constexpr double kFadeDepth = 0.12;
constexpr double kClicksPerSecond = 0.25;
constexpr double kClickLevel = 14.0;
constexpr std::size_t kClickFrames = 12;
constexpr double kClickDecayFrames = 3.0;
constexpr std::size_t kClickShapes = 64;
// The size of every tick's sum, as a share of the RMS a sum of such noise has.
constexpr double kClickThump = 0.8;
// Brings the sound to the common loudness of the shipped sounds.
constexpr double kLevel = 0.05;
// The loudest clicks are rounded off between these peaks; the limiter keeps the rest under
// the ceiling the shipped sounds keep (-1.2 dBFS).
constexpr float kClickKnee = 0.5f;
constexpr float kClickTop = 0.8f;
constexpr float kCeiling = 0.871f;

double hissShape(double hertz)
{
    return hertz / std::sqrt(1.0 + (hertz / kDeEmphasisHertz) * (hertz / kDeEmphasisHertz)) / kDeEmphasisHertz
           * FilterShape::bandPass(hertz, 150.0, 7000.0, 3);
}

double top(double hertz)
{
    return FilterShape::lowPass(hertz, kTopHertz, 3);
}

// The hiss is made at an RMS of 1 and then passes the receiver's top: what RMS it keeps.
double hissRms()
{
    constexpr int bins = 4096;
    double made = 0.0;
    double kept = 0.0;
    for (int bin = 1; bin < bins; ++bin) {
        const double hertz = bin * LiveSound::sampleRate / (2.0 * bins);
        made += hissShape(hertz) * hissShape(hertz);
        kept += hissShape(hertz) * hissShape(hertz) * top(hertz) * top(hertz);
    }
    return std::sqrt(kept / made);
}

// A tick: a dozen frames of noise dying away fast, at unit level. Its sum, which sets how
// much low thump it has, is drawn to the same size for every tick, so that the few ticks a
// minute brings carry as much of it as any others.
std::vector<float> click(Random &random)
{
    std::vector<double> envelope(kClickFrames);
    std::vector<double> event(kClickFrames);
    double sum = 0.0;
    double weights = 0.0;
    double power = 0.0;
    for (std::size_t i = 0; i < event.size(); ++i) {
        envelope[i] = std::exp(-static_cast<double>(i) / kClickDecayFrames);
        event[i] = envelope[i] * random.gaussian();
        sum += event[i];
        weights += envelope[i];
        power += envelope[i] * envelope[i];
    }
    const double thump = std::copysign(kClickThump * std::sqrt(power), sum);
    std::vector<float> shaped(kClickFrames);
    for (std::size_t i = 0; i < event.size(); ++i)
        shaped[i] = static_cast<float>(event[i] + (thump - sum) * envelope[i] / weights);
    return shaped;
}

const float kHissRms = static_cast<float>(hissRms());

float softPeak(float peak)
{
    if (peak <= kClickKnee)
        return peak;
    return kClickKnee + (kClickTop - kClickKnee) * std::tanh((peak - kClickKnee) / (kClickTop - kClickKnee));
}

// The clicks come at a steady rate, neither bunched nor long awaited: each follows the
// last after between half and one and a half times the mean interval.
std::uint64_t framesUntilNext(Random &random)
{
    return static_cast<std::uint64_t>(random.uniform(0.5, 1.5) / kClicksPerSecond * LiveSound::sampleRate);
}

}

InterstationHissSound::InterstationHissSound(Random &random)
    : m_hiss([](double hertz) { return hissShape(hertz) * top(hertz); }, sampleRate, random)
    , m_clicks(kClickShapes, click, top, sampleRate, random)
    , m_fade(kFadeLowestHertz, kFadeHighestHertz, sampleRate, random)
    , m_random(random.next())
    , m_fadeGain(nextFadeGain(1))
    , m_untilClick(framesUntilNext(m_random))
    , m_limiter(kCeiling)
{
    // The limiter starts from silence; the sound starts once it is under way.
    std::array<float, PeakLimiter::delay> left{};
    std::array<float, PeakLimiter::delay> right{};
    generate(left.data(), right.data(), left.size());
}

void InterstationHissSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t done = 0; done < frames; done += blockFrames)
        generateBlock(left + done, right + done, std::min(blockFrames, frames - done));
}

void InterstationHissSound::generateBlock(float *left, float *right, std::size_t frames) noexcept
{
    std::fill_n(m_left.begin(), frames, 0.0f);
    std::fill_n(m_right.begin(), frames, 0.0f);
    std::fill_n(m_mono.begin(), frames, 0.0f);
    m_hiss.addTo(m_left.data(), m_right.data(), frames, kHissRms);
    scheduleClicks(frames);
    m_clicks.addTo(m_mono.data(), frames);
    const float startGain = m_fadeGain;
    m_fadeGain = nextFadeGain(frames);
    const float step = (m_fadeGain - startGain) / static_cast<float>(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float gain = startGain + step * static_cast<float>(i);
        left[i] = gain * (m_left[i] + m_mono[i]);
        right[i] = gain * (m_right[i] + m_mono[i]);
    }
    m_limiter.process(left, right, frames);
}

void InterstationHissSound::scheduleClicks(std::size_t frames) noexcept
{
    while (m_untilClick < frames) {
        const auto shape = static_cast<std::size_t>(m_random.next() % m_clicks.shapes());
        const auto level = static_cast<float>(kClickLevel * m_random.uniform(0.5, 1.0));
        const float peak = level * m_clicks.peak(shape) * m_fadeGain;
        m_clicks.schedule(m_untilClick, shape, level * softPeak(peak) / peak);
        m_untilClick += framesUntilNext(m_random);
    }
    m_untilClick -= frames;
}

float InterstationHissSound::nextFadeGain(std::size_t frames) noexcept
{
    float value = 0.0f;
    for (std::size_t i = 0; i < frames; ++i)
        value = m_fade.next();
    return static_cast<float>(kLevel * std::exp(kFadeDepth * value));
}
