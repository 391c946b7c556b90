#include "synth/CicadaSound.h"

#include "synth/FilterShape.h"
#include "synth/SoftCeiling.h"
#include "synth/WideLoops.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Chance pile-ups of waves or pulses bend towards -1.2 dBFS instead of reaching the limiter.
const SoftCeiling kCeiling(0.6f, 0.87f);

// The chorus as it has always sung here: each singer's ring, pulse rate, strength as heard
// and place. Drawn at random once and kept, since the band's balance (most rings low, one
// high and faint) is the sound's character; every start varies them a little.
struct Voice
{
    double ringHertz;
    double pulseHertz;
    double strength;
    double place;
};

constexpr Voice kChorus[] = {
    {4387.0, 102.0, 0.340, -0.89}, {4402.0, 132.0, 0.648, -0.74}, {4598.0, 123.0, 0.550, -0.57},
    {5375.0, 144.0, 0.745, -0.45}, {4299.0, 168.0, 0.647, -0.29}, {4418.0, 219.0, 0.650, -0.11},
    {4922.0, 196.0, 0.894, 0.12},  {5400.0, 218.0, 0.654, 0.23},  {4561.0, 208.0, 0.599, 0.45},
    {5766.0, 133.0, 0.313, 0.56},  {4724.0, 138.0, 0.350, 0.70},  {4567.0, 119.0, 0.802, 0.89},
};
constexpr double kRingJitterOctaves = 0.005;
// A ring's band as the power of its bell has it, a standard deviation in octaves, held as
// a few rings spread over the bell's quantiles, one chosen for each pulse.
constexpr double kRingSpreadOctaves = 0.0283;
constexpr double kRingQuantiles[] = {-1.534, -0.887, -0.489, -0.157, 0.157, 0.489, 0.887, 1.534};
constexpr double kPulseJitter = 0.04;
constexpr double kPulseSharpness = 3.0;
constexpr double kSlowestSwellHertz = 0.1;
constexpr double kFastestSwellHertz = 0.2;
constexpr double kSwellDepth = 0.9;
constexpr double kSlowestChorusHertz = 0.04;
constexpr double kFastestChorusHertz = 0.07;
constexpr double kChorusDepth = 0.35;
constexpr float kAirLevel = 0.0223f;
// No pulse rings more than this many times its mean strength: keeps the peaks in bounds.
constexpr double kStrongestRing = 3.0;
// Enough ring weights to draw from that no pattern among them can be heard.
constexpr std::size_t kWeightBits = 10;
// The swells' depths with their mean power taken out, so that they move the level around
// the sound's own rather than raising it.
const double kSwellScale = 1.0 / std::sqrt(Swell::meanPower(kSwellDepth));
const double kChorusScale = 1.0 / std::sqrt(Swell::meanPower(kChorusDepth));

double airShape(double hertz)
{
    return FilterShape::bandPass(hertz, 300.0, 8000.0, 1);
}

}

CicadaSound::Singer::Singer(double ringHertz, double pulseHertz, Random &random)
    : period(static_cast<std::size_t>(std::lround(sampleRate / pulseHertz)))
    , swell(kSlowestSwellHertz, kFastestSwellHertz, static_cast<double>(sampleRate) / chunkFrames, random)
{
    ringCosine.reserve(std::size(kRingQuantiles) * period);
    ringSine.reserve(std::size(kRingQuantiles) * period);
    for (const double quantile : kRingQuantiles) {
        const double ringStep = 2.0 * std::numbers::pi * ringHertz * std::exp2(quantile * kRingSpreadOctaves) / sampleRate;
        for (std::size_t i = 0; i < period; ++i) {
            // From one silent trough of the pulse to the next.
            const double shape = std::pow(
                0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(period)),
                kPulseSharpness);
            ringCosine.push_back(static_cast<float>(shape * std::cos(ringStep * static_cast<double>(i))));
            ringSine.push_back(static_cast<float>(shape * std::sin(ringStep * static_cast<double>(i))));
        }
    }
    position = static_cast<std::size_t>(random.next() % period);
}

CicadaSound::CicadaSound(float gain, Random &random)
    : m_air(airShape, sampleRate, random)
    , m_chorus(kSlowestChorusHertz, kFastestChorusHertz, static_cast<double>(sampleRate) / chunkFrames, random)
    , m_random(random.next())
    , m_gain(gain)
{
    makeWeights();
    m_singers.reserve(std::size(kChorus));
    for (const Voice &voice : kChorus) {
        const double ringHertz = voice.ringHertz * std::exp2(random.uniform(-kRingJitterOctaves, kRingJitterOctaves));
        const double pulseHertz = voice.pulseHertz * random.uniform(1.0 - kPulseJitter, 1.0 + kPulseJitter);
        Singer &singer = m_singers.emplace_back(ringHertz, pulseHertz, random);
        const double angle = (voice.place + 1.0) * std::numbers::pi / 4.0;
        singer.leftGain = static_cast<float>(voice.strength * std::cos(angle));
        singer.rightGain = static_cast<float>(voice.strength * std::sin(angle));
    }
}

// Weights for the quadrature pair, each a ring of random phase and Rayleigh strength, as a
// narrow band of noise has, scaled to a mean power of one on each of the pair; drawn here once so that a pulse
// costs a table look-up rather than a logarithm and two sines.
void CicadaSound::makeWeights()
{
    const std::size_t count = std::size_t{1} << kWeightBits;
    m_weights.resize(2 * count);
    double power = 0.0;
    for (std::size_t n = 0; n < count; ++n) {
        const double radius = std::min(std::sqrt(-2.0 * std::log(1.0 - m_random.uniform())), kStrongestRing);
        const double angle = m_random.phase();
        m_weights[2 * n] = static_cast<float>(radius * std::cos(angle));
        m_weights[2 * n + 1] = static_cast<float>(radius * std::sin(angle));
        power += radius * radius;
    }
    const auto scale = static_cast<float>(std::sqrt(2.0 * static_cast<double>(count) / power));
    for (float &weight : m_weights)
        weight *= scale;
}

void CicadaSound::startPulse(Singer &singer) noexcept
{
    const std::uint64_t draw = m_random.next();
    const std::size_t weight = 2 * static_cast<std::size_t>(draw >> (64 - kWeightBits));
    const float cosine = singer.strength * m_weights[weight];
    const float sine = singer.strength * m_weights[weight + 1];
    singer.cosineLeft = cosine * singer.leftGain;
    singer.sineLeft = sine * singer.leftGain;
    singer.cosineRight = cosine * singer.rightGain;
    singer.sineRight = sine * singer.rightGain;
    singer.ring = singer.period * static_cast<std::size_t>(draw % std::size(kRingQuantiles));
    singer.position = 0;
}

WIDE_LOOPS void CicadaSound::sing(Singer &singer, float *left, float *right, std::size_t frames) noexcept
{
    const std::size_t period = singer.period;
    std::size_t done = 0;
    while (done < frames) {
        if (singer.position == period)
            startPulse(singer);
        const std::size_t length = std::min(frames - done, period - singer.position);
        const float *cosine = singer.ringCosine.data() + singer.ring + singer.position;
        const float *sine = singer.ringSine.data() + singer.ring + singer.position;
        float *toLeft = left + done;
        float *toRight = right + done;
        // Held apart from the singer, which the stores could otherwise change for all the compiler knows.
        const float cosineLeft = singer.cosineLeft;
        const float sineLeft = singer.sineLeft;
        const float cosineRight = singer.cosineRight;
        const float sineRight = singer.sineRight;
        for (std::size_t i = 0; i < length; ++i) {
            toLeft[i] += cosineLeft * cosine[i] + sineLeft * sine[i];
            toRight[i] += cosineRight * cosine[i] + sineRight * sine[i];
        }
        done += length;
        singer.position += length;
    }
}

void CicadaSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t done = 0; done < frames;) {
        const std::size_t length = std::min(chunkFrames, frames - done);
        // Changes far too slowly for a step between chunks to be heard.
        const auto chorus = static_cast<float>(m_gain * kChorusScale * std::exp(kChorusDepth * m_chorus.next()));
        float *toLeft = left + done;
        float *toRight = right + done;
        std::fill(toLeft, toLeft + length, 0.0f);
        std::fill(toRight, toRight + length, 0.0f);
        m_air.addTo(toLeft, toRight, length, kAirLevel * chorus);
        for (Singer &singer : m_singers) {
            // A new strength takes effect with the singer's next pulse, from silence.
            singer.strength = static_cast<float>(chorus * kSwellScale * std::exp(kSwellDepth * singer.swell.next()));
            sing(singer, toLeft, toRight, length);
        }
        kCeiling.apply(toLeft, length);
        kCeiling.apply(toRight, length);
        done += length;
    }
}
