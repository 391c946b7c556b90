#include "synth/OceanSound.h"

#include "synth/FilterShape.h"
#include "synth/SoftCeiling.h"
#include "synth/WideLoops.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Chance pile-ups of waves or pulses bend towards -1.2 dBFS instead of reaching the limiter.
const SoftCeiling kCeiling(0.6f, 0.87f);

constexpr double kMeanGapSeconds = 7.925;
constexpr double kGapSpread = 0.24;
// Most waves break near full strength, as the sea has always sounded here: weaker ones
// would leave the sea duller, its hiss fainter against the rumble.
constexpr double kWeakestWave = 0.85;
constexpr double kSwellSeconds = 3.0;
constexpr double kBreakSeconds = 0.5;
constexpr double kRecedeSeconds = 2.2;
constexpr double kWaveSeconds = kSwellSeconds + 6.0 * kRecedeSeconds;
constexpr double kSwellLevel = 0.35;
constexpr float kFloor = 0.12f;
constexpr float kRumbleLevel = 0.7f;
constexpr float kWashLevel = 1.0f;
constexpr float kHissLevel = 0.55f;

double rumbleShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -4.0) * FilterShape::bandPass(hertz, 35.0, 300.0, 2);
}

double washShape(double hertz)
{
    return FilterShape::powerSlope(hertz, -2.0) * FilterShape::bandPass(hertz, 150.0, 2500.0, 2);
}

double hissShape(double hertz)
{
    return FilterShape::bell(hertz, 3500.0, 0.8);
}

// Level of one wave from the start of its swell: a slow rise, the crash, then a long recede.
double waveShape(double seconds)
{
    const double fromBreak = seconds - kSwellSeconds;
    if (fromBreak < -kBreakSeconds) {
        const double rise = seconds / (kSwellSeconds - kBreakSeconds);
        return kSwellLevel * rise * rise;
    }
    if (fromBreak < 0.0) {
        const double crash = (fromBreak + kBreakSeconds) / kBreakSeconds;
        return kSwellLevel + (1.0 - kSwellLevel) * crash * crash;
    }
    return std::exp(-fromBreak / kRecedeSeconds);
}

}

OceanSound::OceanSound(float gain, Random &random)
    : m_rumble(rumbleShape, sampleRate, random)
    , m_wash(washShape, sampleRate, random)
    , m_hiss(hissShape, sampleRate, random)
    , m_random(random.next())
    , m_gain(gain)
    , m_scratch(4 * chunkFrames)
{
    const auto steps = static_cast<std::size_t>(kWaveSeconds * sampleRate / controlFrames);
    m_waveShape.resize(steps);
    for (std::size_t step = 0; step < steps; ++step)
        m_waveShape[step] = static_cast<float>(waveShape(static_cast<double>(step * controlFrames) / sampleRate));
    // Starts amid the surf rather than on a calm sea: the waves of the last quarter minute
    // are already rolling.
    m_stepsToNextWave = static_cast<std::size_t>(m_random.uniform() * kMeanGapSeconds * sampleRate / controlFrames);
    for (std::size_t step = 0; step < steps; ++step) {
        stepControl();
        m_levelLeft += m_slopeLeft * static_cast<float>(controlFrames);
        m_levelRight += m_slopeRight * static_cast<float>(controlFrames);
    }
    m_framesLeftInStep = 0;
}

void OceanSound::startWave() noexcept
{
    const auto slot = std::find_if(m_waves.begin(), m_waves.end(), [](const Wave &wave) { return !wave.rolling; });
    if (slot != m_waves.end()) {
        const double strength = m_random.uniform(kWeakestWave, 1.0);
        // Constant power across the field; a wave in the middle is as loud as one at a side.
        const double angle = (m_random.uniform(-0.5, 0.5) + 1.0) * std::numbers::pi / 4.0;
        slot->left = static_cast<float>(strength * std::cos(angle) * std::numbers::sqrt2);
        slot->right = static_cast<float>(strength * std::sin(angle) * std::numbers::sqrt2);
        slot->age = 0;
        slot->rolling = true;
    }
    const double gap = kMeanGapSeconds * m_random.uniform(1.0 - kGapSpread, 1.0 + kGapSpread);
    m_stepsToNextWave = static_cast<std::size_t>(gap * sampleRate / controlFrames);
}

// Moves one control step on and aims each side's level at the sea's level there.
void OceanSound::stepControl() noexcept
{
    if (m_stepsToNextWave == 0)
        startWave();
    --m_stepsToNextWave;
    float left = kFloor;
    float right = kFloor;
    for (Wave &wave : m_waves) {
        if (!wave.rolling)
            continue;
        const float level = m_waveShape[wave.age];
        left += level * wave.left;
        right += level * wave.right;
        if (++wave.age == m_waveShape.size())
            wave.rolling = false;
    }
    m_slopeLeft = (left - m_levelLeft) / static_cast<float>(controlFrames);
    m_slopeRight = (right - m_levelRight) / static_cast<float>(controlFrames);
    m_framesLeftInStep = controlFrames;
}

WIDE_LOOPS void OceanSound::fillLevels(std::size_t frames) noexcept
{
    float *levelLeft = m_scratch.data() + 2 * chunkFrames;
    float *levelRight = levelLeft + chunkFrames;
    std::size_t done = 0;
    while (done < frames) {
        if (m_framesLeftInStep == 0)
            stepControl();
        const std::size_t length = std::min(frames - done, m_framesLeftInStep);
        // Worked out from the start of the step rather than added up, so that the loop runs
        // in vectors instead of waiting on each last value.
        const float startLeft = m_levelLeft;
        const float startRight = m_levelRight;
        for (std::size_t i = 0; i < length; ++i) {
            const float steps = frameAt(i + 1);
            levelLeft[done + i] = startLeft + m_slopeLeft * steps;
            levelRight[done + i] = startRight + m_slopeRight * steps;
        }
        m_levelLeft = startLeft + m_slopeLeft * static_cast<float>(length);
        m_levelRight = startRight + m_slopeRight * static_cast<float>(length);
        done += length;
        m_framesLeftInStep -= length;
    }
}

void OceanSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t done = 0; done < frames;) {
        const std::size_t length = std::min(chunkFrames, frames - done);
        mix(left + done, right + done, length);
        kCeiling.apply(left + done, length);
        kCeiling.apply(right + done, length);
        done += length;
    }
}

// The rumble goes straight to the output; the wash and then the hiss pass through one
// pair of scratch sides, each weighted by the level as it is added.
WIDE_LOOPS void OceanSound::mix(float *left, float *right, std::size_t frames) noexcept
{
    float *bedLeft = m_scratch.data();
    float *bedRight = bedLeft + chunkFrames;
    const float *levelLeft = bedRight + chunkFrames;
    const float *levelRight = levelLeft + chunkFrames;
    fillLevels(frames);
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_rumble.addTo(left, right, frames, m_gain * kRumbleLevel);
    std::fill(bedLeft, bedLeft + 2 * chunkFrames, 0.0f);
    m_wash.addTo(bedLeft, bedRight, frames, m_gain * kWashLevel);
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] = (0.5f + 0.5f * levelLeft[i]) * left[i] + levelLeft[i] * bedLeft[i];
        right[i] = (0.5f + 0.5f * levelRight[i]) * right[i] + levelRight[i] * bedRight[i];
    }
    std::fill(bedLeft, bedLeft + 2 * chunkFrames, 0.0f);
    m_hiss.addTo(bedLeft, bedRight, frames, m_gain * kHissLevel);
    // The louder the water, the brighter: the hiss follows the level squared.
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] += levelLeft[i] * levelLeft[i] * bedLeft[i];
        right[i] += levelRight[i] * levelRight[i] * bedRight[i];
    }
}
