#include "synth/WindSound.h"

#include "synth/FilterShape.h"
#include "synth/WideLoops.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kGustLowestHertz = 0.021;
constexpr double kGustHighestHertz = 0.35;
constexpr double kGustDepth = 0.75;
constexpr double kGustCap = 1.5;
constexpr double kBrightLevel = 0.45;
constexpr double kHowlLevel = 1.2;
constexpr double kHowlLowestHertz = 380.0;
constexpr double kHowlRiseHertz = 260.0;
constexpr double kHowlBandwidthHertz = 18.0;
// The right ear hears each gust a moment after the left, as it sweeps past.
constexpr double kGustTravelSeconds = 0.4;
// Gusts and lulls come and go, but any minute of wind has its share of both, so that it is
// as loud and as bright as any other: the gust curve is kept to a mean of 0 and an RMS of 1
// over about this long.
constexpr double kSteadyingSeconds = 7.0;
// A stretch as calm as this stays calm rather than being blown up into gusts.
constexpr double kLeastVariance = 0.1;
// Brings the sound to the common loudness of the shipped sounds.
constexpr double kLevel = 0.03214;

const double kRadius = std::exp(-std::numbers::pi * kHowlBandwidthHertz / LiveSound::sampleRate);
// Keeps the resonator's gain near its peak about 1 whatever the bandwidth.
const double kHowlInput = 1.0 - kRadius;

double bodyShape(double hertz)
{
    return FilterShape::bell(hertz, 640.0, 0.75) + 0.25 * FilterShape::bell(hertz, 200.0, 1.0);
}

double brightShape(double hertz)
{
    return FilterShape::bell(hertz, 1800.0, 0.7);
}

// Gust strength around 1 from the gust curve, bent so that lulls drop deep: the strongest
// gusts are capped softly; the lulls keep their full depth.
double strength(double curve)
{
    const double capped = curve > 0.0 ? kGustCap * std::tanh(curve / kGustCap) : curve;
    return std::exp(kGustDepth * capped - 0.5 * kGustDepth * kGustDepth);
}

double howlCentre(double gust)
{
    return kHowlLowestHertz + kHowlRiseHertz * std::tanh(gust);
}

double feedback(double centreHertz)
{
    return 2.0 * kRadius * std::cos(2.0 * std::numbers::pi * centreHertz / LiveSound::sampleRate);
}

// Power of the resonator's output for white input of power 1, with its centre at `hertz`.
double howlPower(double hertz)
{
    const double a1 = feedback(hertz);
    const double r2 = kRadius * kRadius;
    return kHowlInput * kHowlInput * (1.0 + r2) / ((1.0 - r2) * ((1.0 + r2) * (1.0 + r2) - a1 * a1));
}

// Averages over the gust curve's values, which fall as a normal distribution does.
template <typename Function>
double overGusts(Function function)
{
    constexpr int points = 400;
    constexpr double reach = 6.0;
    double sum = 0.0;
    double weights = 0.0;
    for (int i = 0; i <= points; ++i) {
        const double curve = -reach + 2.0 * reach * i / points;
        const double weight = std::exp(-0.5 * curve * curve);
        sum += weight * function(curve);
        weights += weight;
    }
    return sum / weights;
}

// The howl's RMS over the gusts it meets, so that over time it has an RMS of 1.
const double kHowlRms = std::sqrt(overGusts([](double curve) { return howlPower(howlCentre(strength(curve))); }));

const std::size_t kTravelSteps = static_cast<std::size_t>(std::lround(kGustTravelSeconds * LiveSound::sampleRate / WindSound::controlFrames));

// Uniform noise of power 1 from 32 random bits.
float whiteNoise(std::uint32_t bits)
{
    return static_cast<float>(static_cast<std::int32_t>(bits)) * static_cast<float>(std::sqrt(3.0) / 2147483648.0);
}

}

WindSound::WindSound(Random &random)
    : m_body(bodyShape, sampleRate, random)
    , m_bright(brightShape, sampleRate, random)
    , m_gusts(kGustLowestHertz, kGustHighestHertz, sampleRate, random)
    , m_noise(random.next())
{
    // The right side's gusts need the left's from a moment ago.
    for (std::size_t i = 0; i < kTravelSteps + 1; ++i)
        advanceGusts();
    m_left.gains = m_leftTarget;
    m_right.gains = m_rightTarget;
}

void WindSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t done = 0; done < frames; done += controlFrames)
        generateBlock(left + done, right + done, std::min(controlFrames, frames - done));
}

void WindSound::advanceGusts() noexcept
{
    const float curve = m_gusts.skip(controlFrames);
    const double share = static_cast<double>(controlFrames) / (kSteadyingSeconds * sampleRate);
    m_mean += share * (curve - m_mean);
    m_variance += share * ((curve - m_mean) * (curve - m_mean) - m_variance);
    m_history[m_step % historySteps] = static_cast<float>((curve - m_mean) / std::sqrt(std::max(m_variance, kLeastVariance)));
    const double left = strength(m_history[m_step % historySteps]);
    const double right = strength(m_history[(m_step + historySteps - kTravelSteps) % historySteps]);
    ++m_step;
    m_leftTarget = gainsFor(static_cast<float>(left));
    m_rightTarget = gainsFor(static_cast<float>(right));
}

WindSound::Gains WindSound::gainsFor(float gust) noexcept
{
    return {static_cast<float>(kLevel * gust), static_cast<float>(kLevel * kBrightLevel * gust * gust),
            static_cast<float>(kLevel * kHowlLevel * gust * std::sqrt(gust) * kHowlInput / kHowlRms),
            static_cast<float>(feedback(howlCentre(gust)))};
}

void WindSound::generateBlock(float *left, float *right, std::size_t frames) noexcept
{
    for (auto *part : {&m_bodyLeft, &m_bodyRight, &m_brightLeft, &m_brightRight})
        std::fill_n(part->begin(), frames, 0.0f);
    m_body.addTo(m_bodyLeft.data(), m_bodyRight.data(), frames, 1.0f);
    m_bright.addTo(m_brightLeft.data(), m_brightRight.data(), frames, 1.0f);
    advanceGusts();
    renderSides(left, right, frames);
}

// The resonators run first, both sides in one loop: each side's waits on its own last output,
// so the two chains run side by side rather than one after the other. The mix then has no
// chain to wait on, and the compiler turns it into vector operations.
void WindSound::renderSides(float *left, float *right, std::size_t frames) noexcept
{
    const auto steps = static_cast<float>(frames);
    const auto stepOf = [steps](const Gains &from, const Gains &to) {
        return Gains{(to.body - from.body) / steps, (to.bright - from.bright) / steps, (to.howl - from.howl) / steps,
                     (to.feedback - from.feedback) / steps};
    };
    const Gains fromLeft = m_left.gains;
    const Gains fromRight = m_right.gains;
    const Gains stepLeft = stepOf(fromLeft, m_leftTarget);
    const Gains stepRight = stepOf(fromRight, m_rightTarget);
    const auto decay = static_cast<float>(kRadius * kRadius);
    float previousLeft = m_left.previous;
    float beforePreviousLeft = m_left.beforePrevious;
    float previousRight = m_right.previous;
    float beforePreviousRight = m_right.beforePrevious;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto at = static_cast<float>(i);
        const std::uint64_t bits = m_noise.next();
        const float howlLeft = whiteNoise(static_cast<std::uint32_t>(bits))
                               + (fromLeft.feedback + stepLeft.feedback * at) * previousLeft - decay * beforePreviousLeft;
        const float howlRight = whiteNoise(static_cast<std::uint32_t>(bits >> 32))
                                + (fromRight.feedback + stepRight.feedback * at) * previousRight - decay * beforePreviousRight;
        beforePreviousLeft = previousLeft;
        previousLeft = howlLeft;
        beforePreviousRight = previousRight;
        previousRight = howlRight;
        m_howlLeft[i] = howlLeft;
        m_howlRight[i] = howlRight;
    }
    mixSide(left, m_bodyLeft.data(), m_brightLeft.data(), m_howlLeft.data(), fromLeft, stepLeft, frames);
    mixSide(right, m_bodyRight.data(), m_brightRight.data(), m_howlRight.data(), fromRight, stepRight, frames);
    m_left = {m_leftTarget, previousLeft, beforePreviousLeft};
    m_right = {m_rightTarget, previousRight, beforePreviousRight};
}

WIDE_LOOPS void WindSound::mixSide(float *__restrict side, const float *__restrict body, const float *__restrict bright,
                                   const float *__restrict howl, const Gains &fromGains, const Gains &stepGains,
                                   std::size_t frames) noexcept
{
    // Copied, so that the compiler knows no store to the side changes them.
    const Gains from = fromGains;
    const Gains step = stepGains;
    for (std::size_t i = 0; i < frames; ++i) {
        const float at = frameAt(i);
        side[i] = (from.body + step.body * at) * body[i] + (from.bright + step.bright * at) * bright[i]
                  + (from.howl + step.howl * at) * howl[i];
    }
}
