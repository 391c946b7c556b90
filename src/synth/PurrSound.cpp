#include "synth/PurrSound.h"

#include "synth/FilterShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// A breath out lasts a little longer and purrs louder and slower than a breath in.
constexpr double kShortestOutSeconds = 1.6;
constexpr double kLongestOutSeconds = 2.4;
constexpr double kShortestInSeconds = 1.2;
constexpr double kLongestInSeconds = 1.8;
constexpr double kQuietestIn = 0.55;
constexpr double kLoudestIn = 0.75;
constexpr double kSlowestOutHertz = 25.0;
constexpr double kQuickestOutHertz = 27.5;
constexpr double kSlowestInHertz = 27.0;
constexpr double kQuickestInHertz = 30.0;
// At each turn of the breath the purr dips to this share over this long.
constexpr double kLull = 0.25;
constexpr double kTurnSeconds = 0.25;
// The pace glides to each breath's own within about this long.
constexpr double kGlideSeconds = 0.3;
// Each pulse is a swift burst, sharper the higher this power.
constexpr double kPulseSharpness = 3.0;
constexpr double kBuzzLevel = 0.5;
// A cat is one small source: most of the noise is heard alike on both sides.
constexpr double kSideNoise = 0.25;
// Brings the whole to the common loudness of the shipped sounds, -21 LUFS.
constexpr double kLevel = 0.0787;

double noiseShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -2.0) * FilterShape::bandPass(hertz, 60.0, 1500.0, 2);
}

Waveform buzz(Random &random)
{
    return Waveform({1.0, 0.6, 0.35, 0.2, 0.1}, random);
}

const float kDirect = static_cast<float>(0.5 * (std::sqrt(2.0 - kSideNoise * kSideNoise) + kSideNoise));
const float kCross = static_cast<float>(0.5 * (std::sqrt(2.0 - kSideNoise * kSideNoise) - kSideNoise));

std::uint32_t phaseStep(double hertz)
{
    return static_cast<std::uint32_t>(std::llround(hertz / LiveSound::doubledRate * 4294967296.0));
}

}

PurrSound::PurrSound(Random &random)
    : m_breathNoise(noiseShape, doubledRate, random)
    , m_buzz(buzz(random))
    , m_random(random.next())
{
    // One cycle of the pulses, at a mean square of 1.
    double power = 0.0;
    for (std::size_t i = 0; i <= pulsePoints; ++i) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(i) / pulsePoints;
        m_pulse[i] = static_cast<float>(std::pow(0.5 - 0.5 * std::cos(angle), kPulseSharpness));
        if (i < pulsePoints)
            power += m_pulse[i] * m_pulse[i];
    }
    const auto scale = static_cast<float>(std::sqrt(pulsePoints / power));
    for (float &value : m_pulse)
        value *= scale;
    m_breathingOut = m_random.uniform() < 0.5;
    m_breath = drawBreath(m_breathingOut);
    m_breathAge = m_random.uniform(0.0, m_breath.seconds);
    m_pulseHertz = m_breath.pulseHertz;
    m_phaseStep = phaseStep(m_pulseHertz);
    m_phase = static_cast<std::uint32_t>(m_random.next());
    m_gain = breathGain();
}

void PurrSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t done = 0; done < frames; done += controlFrames)
        generateBlock(left + done, right + done, std::min(controlFrames, frames - done));
}

void PurrSound::generateBlock(float *left, float *right, std::size_t frames) noexcept
{
    std::fill_n(m_left.begin(), frames, 0.0f);
    std::fill_n(m_right.begin(), frames, 0.0f);
    m_breathNoise.addTo(m_left.data(), m_right.data(), frames, 1.0f);
    advanceBreath();
    m_breathAge += static_cast<double>(frames) / doubledRate;
    const float startGain = m_gain;
    m_gain = breathGain();
    const float gainStep = (m_gain - startGain) / static_cast<float>(frames);
    const std::uint32_t startStep = m_phaseStep;
    m_pulseHertz += (m_breath.pulseHertz - m_pulseHertz) * static_cast<double>(frames) / (kGlideSeconds * doubledRate);
    m_phaseStep = phaseStep(m_pulseHertz);
    const auto stepChange = static_cast<std::int32_t>(m_phaseStep - startStep) / static_cast<std::int32_t>(frames);
    std::uint32_t step = startStep;
    constexpr int fractionBits = 32 - pulseBits;
    constexpr float fractionScale = 1.0f / static_cast<float>(std::uint32_t{1} << fractionBits);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint32_t index = m_phase >> fractionBits;
        const float fraction = static_cast<float>(m_phase & ((std::uint32_t{1} << fractionBits) - 1)) * fractionScale;
        const float pulse = m_pulse[index] + fraction * (m_pulse[index + 1] - m_pulse[index]);
        const float gain = startGain + gainStep * static_cast<float>(i + 1);
        const float tone = static_cast<float>(kBuzzLevel) * m_buzz.at(m_phase);
        left[i] = gain * (pulse * (kDirect * m_left[i] + kCross * m_right[i]) + tone);
        right[i] = gain * (pulse * (kCross * m_left[i] + kDirect * m_right[i]) + tone);
        step += static_cast<std::uint32_t>(stepChange);
        m_phase += step;
    }
}

void PurrSound::advanceBreath() noexcept
{
    if (m_breathAge < m_breath.seconds)
        return;
    m_breathAge -= m_breath.seconds;
    m_breathingOut = !m_breathingOut;
    m_breath = drawBreath(m_breathingOut);
}

PurrSound::Breath PurrSound::drawBreath(bool out) noexcept
{
    if (out)
        return {m_random.uniform(kShortestOutSeconds, kLongestOutSeconds), 1.0,
                m_random.uniform(kSlowestOutHertz, kQuickestOutHertz)};
    return {m_random.uniform(kShortestInSeconds, kLongestInSeconds), m_random.uniform(kQuietestIn, kLoudestIn),
            m_random.uniform(kSlowestInHertz, kQuickestInHertz)};
}

// Full within the breath, falling smoothly to the lull at either end of it.
float PurrSound::breathGain() const noexcept
{
    const double edge = std::min(m_breathAge, m_breath.seconds - m_breathAge);
    const double rise = std::clamp(edge / kTurnSeconds, 0.0, 1.0);
    const double shape = 0.5 - 0.5 * std::cos(std::numbers::pi * rise);
    // The lull is the same whichever breath it turns between, so the gain never jumps.
    return static_cast<float>(kLevel * (kLull + (m_breath.level - kLull) * shape));
}
