#include "synth/TrainSound.h"

#include "synth/FilterShape.h"
#include "synth/NoiseMixture.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kRoarLevel = 0.35;
constexpr double kHissLevel = 0.04;
constexpr double kSwayLowestHertz = 0.03;
constexpr double kSwayHighestHertz = 0.5;
constexpr double kSwayDepth = 0.12;
constexpr std::size_t kClackShapes = 48;
constexpr double kKnockSeconds = 0.0015;
constexpr double kBodyLowestHertz = 70.0;
constexpr double kBodyHighestHertz = 160.0;
constexpr double kBodyDecaySeconds = 0.03;
constexpr double kBodyLevel = 0.5;
constexpr double kRingLowestHertz = 600.0;
constexpr double kRingHighestHertz = 1400.0;
constexpr double kRingDecaySeconds = 0.012;
constexpr double kRingLevel = 0.25;
constexpr double kLengthInDecays = 7.0;
// The joints pass at the train's pace: a rail's length apart, a second and a half at the
// mean speed; the speed wanders, and each rail is laid a little differently.
constexpr double kMeanJointSeconds = 1.45;
constexpr double kSpeedLowestHertz = 0.01;
constexpr double kSpeedHighestHertz = 0.1;
constexpr double kSpeedSpread = 0.12;
constexpr double kJointJitter = 0.08;
constexpr double kShortestJointSeconds = 1.0;
constexpr double kLongestJointSeconds = 2.0;
// The two wheels of a bogie cross a joint this long apart at the mean speed.
constexpr double kWheelSeconds = 0.13;
constexpr double kLevelSpread = 0.08;
constexpr double kSecondWheelLevel = 0.95;
constexpr double kPlaceSpread = 0.25;
constexpr std::size_t kPool = 16;
// Brings the whole to the common loudness of the shipped sounds, -21 LUFS.
constexpr double kLevel = 0.0718;
constexpr double kClackLevel = 6.0;

double rumbleShape(double hertz)
{
    return FilterShape::highPass(hertz, 25.0, 2) * FilterShape::lowPass(hertz, 120.0, 2);
}

double roarShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -3.0) * FilterShape::bandPass(hertz, 150.0, 1500.0, 2);
}

double hissShape(double hertz)
{
    return FilterShape::bandPass(hertz, 1500.0, 6000.0, 2);
}

const NoiseMixture &interior()
{
    static const NoiseMixture mixture({{rumbleShape, 1.0}, {roarShape, kRoarLevel}, {hissShape, kHissLevel}},
                                      NoiseBed::tableFrames(LiveSound::doubledRate), LiveSound::doubledRate);
    return mixture;
}

double clackTone(double hertz)
{
    return FilterShape::bandPass(hertz, 40.0, 3500.0, 2);
}

// A wheel striking the step at a joint: a sharp knock, the thump of the bogie and a short
// ring of steel.
std::vector<float> clack(std::size_t, Random &random)
{
    const double rate = LiveSound::doubledRate;
    const double body = random.uniform(kBodyLowestHertz, kBodyHighestHertz);
    const double ring = random.uniform(kRingLowestHertz, kRingHighestHertz);
    const double bodyPhase = random.phase();
    const double ringPhase = random.phase();
    const auto length = static_cast<std::size_t>(kLengthInDecays * kBodyDecaySeconds * rate);
    std::vector<float> samples(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double time = static_cast<double>(i) / rate;
        const double knock = std::exp(-time / kKnockSeconds) * random.gaussian();
        const double onset = 1.0 - std::exp(-time / 0.001);
        const double thump = kBodyLevel * onset * std::exp(-time / kBodyDecaySeconds)
                             * std::sin(2.0 * std::numbers::pi * body * time + bodyPhase);
        const double steel = kRingLevel * onset * std::exp(-time / kRingDecaySeconds)
                             * std::sin(2.0 * std::numbers::pi * ring * time + ringPhase);
        samples[i] = static_cast<float>(knock + thump + steel);
    }
    return samples;
}

}

TrainSound::TrainSound(Random &random)
    : m_rumble(interior().response(), doubledRate, random)
    , m_rumbleGain(static_cast<float>(kLevel * interior().rms()))
    , m_sway(kSwayLowestHertz, kSwayHighestHertz, doubledRate / static_cast<double>(controlFrames), random)
    , m_clacks(kClackShapes, clack, clackTone, doubledRate, kPool, random)
    , m_speed(kSpeedLowestHertz, kSpeedHighestHertz, 1.0 / kMeanJointSeconds, random)
    , m_random(random.next())
    , m_untilJoint(m_random.uniform(0.0, kMeanJointSeconds) * doubledRate)
{
    m_swayGain = static_cast<float>(std::exp(kSwayDepth * m_sway.next()));
}

void TrainSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_rumble.addTo(left, right, frames, m_rumbleGain);
    sway(left, right, frames);
    scheduleJoints(frames);
    m_clacks.addTo(left, right, frames);
}

void TrainSound::sway(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t first = 0; first < frames; first += controlFrames) {
        const std::size_t count = std::min(controlFrames, frames - first);
        const auto target = static_cast<float>(std::exp(kSwayDepth * m_sway.next()));
        const float step = (target - m_swayGain) / static_cast<float>(count);
        for (std::size_t i = 0; i < count; ++i) {
            const float gain = m_swayGain + step * static_cast<float>(i + 1);
            left[first + i] *= gain;
            right[first + i] *= gain;
        }
        m_swayGain = target;
    }
}

void TrainSound::scheduleJoints(std::size_t frames) noexcept
{
    const auto end = static_cast<double>(frames);
    while (m_untilJoint < end) {
        // The slower the train, the longer from one wheel to the next and one joint to the next.
        const double slowness = std::exp(kSpeedSpread * m_speed.next());
        scheduleJoint(static_cast<std::uint64_t>(m_untilJoint), slowness);
        const double seconds = kMeanJointSeconds * slowness * std::exp(kJointJitter * m_random.gaussian());
        m_untilJoint += std::clamp(seconds, kShortestJointSeconds, kLongestJointSeconds) * doubledRate;
    }
    m_untilJoint -= end;
}

void TrainSound::scheduleJoint(std::uint64_t delay, double slowness) noexcept
{
    const double place = kPlaceSpread * m_random.uniform(-1.0, 1.0);
    const double level = kLevel * kClackLevel * m_random.uniform(1.0 - kLevelSpread, 1.0 + kLevelSpread);
    const auto wheels = static_cast<std::uint64_t>(kWheelSeconds * slowness * doubledRate);
    for (const std::uint64_t at : {delay, delay + wheels}) {
        const std::size_t shape = m_random.next() % m_clacks.shapes();
        const double gain = (at == delay ? level : kSecondWheelLevel * level) / m_clacks.peak(shape);
        m_clacks.schedule(at, shape, EventField::placed(gain, place));
    }
}
