#include "synth/RadioStaticSound.h"

#include "synth/FilterShape.h"
#include "synth/WideLoops.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kBandLowHertz = 250.0;
constexpr double kBandHighHertz = 3500.0;
// A receiver's filter holds back what lies outside its band by so much and no more.
const double kStopBand = std::pow(10.0, -51.0 / 20.0);
constexpr double kFadeLowestHertz = 0.021;
constexpr double kFadeHighestHertz = 0.3;
constexpr double kFadeDepth = 0.35;
// The receiver's slow gain control: the station fades in and out, but over a minute it
// stays as loud as over an hour.
constexpr double kGainControlSeconds = 5.0;
constexpr double kClustersPerSecond = 0.7;
constexpr double kShortestClusterSeconds = 0.05;
constexpr double kLongestClusterSeconds = 0.5;
constexpr int kMostClicksPerCluster = 25;
constexpr double kClickLevel = 3.0;
constexpr double kClickSpread = 0.8;
constexpr double kShortestClickSeconds = 0.0001;
constexpr double kLongestClickSeconds = 0.0008;
constexpr std::size_t kClickShapes = 128;
// The receiver is mono; a little independent hiss per side keeps it from sounding boxed in.
constexpr double kSideHiss = 0.3;
// Brings the sound to the common loudness of the shipped sounds.
constexpr double kLevel = 0.0846;
// The loudest strikes are rounded off between these peaks; where a cluster piles them up
// beyond the ceiling the shipped sounds keep (-1.2 dBFS), the limiter takes over.
constexpr float kCrackleKnee = 0.45f;
constexpr float kCrackleTop = 0.75f;
constexpr float kCeiling = 0.871f;

double band(double hertz)
{
    const double passed = FilterShape::bandPass(hertz, kBandLowHertz, kBandHighHertz, 4);
    return std::sqrt(passed * passed + kStopBand * kStopBand);
}

// The RMS that the band leaves of white noise of RMS 1.
double bandRms()
{
    constexpr int bins = 4096;
    double power = 0.0;
    for (int bin = 1; bin < bins; ++bin) {
        const double gain = band(bin * LiveSound::sampleRate / (2.0 * bins));
        power += gain * gain;
    }
    return std::sqrt(power / bins);
}

// One strike: a burst of white noise that dies away within a millisecond, at unit level.
std::vector<float> click(Random &random)
{
    const double seconds = random.uniform(kShortestClickSeconds, kLongestClickSeconds);
    const auto length = static_cast<std::size_t>(6.0 * seconds * LiveSound::sampleRate) + 2;
    std::vector<float> samples(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / LiveSound::sampleRate;
        samples[i] = static_cast<float>(std::exp(-time / seconds) * random.gaussian());
    }
    return samples;
}

// The hiss is one mono part heard on both sides and a weaker part of each side's own. Two
// independent streams mixed crosswise, each side taking `kDirect` of one and `kCross` of
// the other, give the same power and the same correlation between the sides.
const float kDirect = static_cast<float>(0.5 * (std::sqrt(2.0 + kSideHiss * kSideHiss) + kSideHiss));
const float kCross = static_cast<float>(0.5 * (std::sqrt(2.0 + kSideHiss * kSideHiss) - kSideHiss));
const float kHissRms = static_cast<float>(bandRms());

float softPeak(float peak)
{
    if (peak <= kCrackleKnee)
        return peak;
    return kCrackleKnee + (kCrackleTop - kCrackleKnee) * std::tanh((peak - kCrackleKnee) / (kCrackleTop - kCrackleKnee));
}

std::uint64_t framesOf(double seconds)
{
    return static_cast<std::uint64_t>(seconds * LiveSound::sampleRate);
}

}

RadioStaticSound::RadioStaticSound(Random &random)
    : m_hiss(band, sampleRate, random)
    , m_crackle(kClickShapes, click, band, sampleRate, random)
    , m_fade(kFadeLowestHertz, kFadeHighestHertz, sampleRate, random)
    , m_random(random.next())
    // The mean square of exp(depth x) for a normal x.
    , m_fadePower(std::exp(2.0 * kFadeDepth * kFadeDepth))
    , m_fadeGain(nextFadeGain(1))
    , m_untilCluster(framesOf(-std::log(1.0 - m_random.uniform()) / kClustersPerSecond))
    , m_limiter(kCeiling)
{
    // The limiter starts from silence; the sound starts once it is under way.
    std::array<float, PeakLimiter::delay> left{};
    std::array<float, PeakLimiter::delay> right{};
    generate(left.data(), right.data(), left.size());
}

void RadioStaticSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t done = 0; done < frames; done += blockFrames)
        generateBlock(left + done, right + done, std::min(blockFrames, frames - done));
}

WIDE_LOOPS void RadioStaticSound::generateBlock(float *left, float *right, std::size_t frames) noexcept
{
    std::fill_n(m_first.begin(), frames, 0.0f);
    std::fill_n(m_second.begin(), frames, 0.0f);
    std::fill_n(m_clicks.begin(), frames, 0.0f);
    m_hiss.addTo(m_first.data(), m_second.data(), frames, kHissRms);
    scheduleClusters(frames);
    m_crackle.addTo(m_clicks.data(), frames);
    const float startGain = m_fadeGain;
    m_fadeGain = nextFadeGain(frames);
    const float step = (m_fadeGain - startGain) / static_cast<float>(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float gain = startGain + step * frameAt(i);
        left[i] = gain * (kDirect * m_first[i] + kCross * m_second[i] + m_clicks[i]);
        right[i] = gain * (kCross * m_first[i] + kDirect * m_second[i] + m_clicks[i]);
    }
    m_limiter.process(left, right, frames);
}

void RadioStaticSound::scheduleClusters(std::size_t frames) noexcept
{
    while (m_untilCluster < frames) {
        scheduleCluster(m_untilCluster);
        m_untilCluster += framesOf(-std::log(1.0 - m_random.uniform()) / kClustersPerSecond);
    }
    m_untilCluster -= frames;
}

void RadioStaticSound::scheduleCluster(std::uint64_t delay) noexcept
{
    const double length = m_random.uniform(kShortestClusterSeconds, kLongestClusterSeconds);
    const int clicks = 2 + static_cast<int>(m_random.uniform() * (kMostClicksPerCluster - 1));
    for (int c = 0; c < clicks; ++c) {
        const std::uint64_t at = delay + framesOf(m_random.uniform(0.0, length));
        const auto shape = static_cast<std::size_t>(m_random.next() % m_crackle.shapes());
        const auto level = static_cast<float>(kClickLevel * std::exp(kClickSpread * m_random.gaussian()));
        // The fade moves little in the time a cluster lasts, so the peak is judged by today's.
        const float peak = level * m_crackle.peak(shape) * m_fadeGain;
        m_crackle.schedule(at, shape, level * softPeak(peak) / peak);
    }
}

float RadioStaticSound::nextFadeGain(std::size_t frames) noexcept
{
    const float value = m_fade.skip(frames);
    const double fade = std::exp(kFadeDepth * value);
    const double share = static_cast<double>(frames) / (kGainControlSeconds * sampleRate);
    m_fadePower += share * (fade * fade - m_fadePower);
    return static_cast<float>(kLevel * fade / std::sqrt(m_fadePower));
}
