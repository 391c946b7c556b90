#include "engine/OutputGain.h"

#include <algorithm>
#include <cmath>
#include <numbers>

// The audio thread reads the level without a lock.
static_assert(std::atomic<float>::is_always_lock_free);

OutputGain::OutputGain(int sampleRate)
    : m_rate(static_cast<float>(sampleRate))
{
}

void OutputGain::setPaused(bool paused)
{
    m_paused.store(paused, std::memory_order_relaxed);
}

void OutputGain::setLevel(float decibels)
{
    m_targetLevel.store(std::clamp(decibels, silenceDecibels, 0.0f), std::memory_order_relaxed);
}

float OutputGain::levelGain(float decibels)
{
    static const float floorGain = std::pow(10.0f, silenceDecibels / 20.0f);
    if (decibels <= silenceDecibels)
        return 0.0f;
    return (std::pow(10.0f, decibels / 20.0f) - floorGain) / (1.0f - floorGain);
}

float OutputGain::gainNow() const
{
    const float pause = 0.5f - 0.5f * std::cos(std::numbers::pi_v<float> * m_position);
    return pause * levelGain(m_level);
}

void OutputGain::process(float *interleavedStereo, std::size_t frames) noexcept
{
    const float target = m_targetLevel.load(std::memory_order_relaxed);
    if (target != m_seenLevel) {
        m_seenLevel = target;
        m_levelFramesLeft = std::max(1L, std::lround(levelRampSeconds * m_rate));
        m_levelStep = (target - m_level) / static_cast<float>(m_levelFramesLeft);
    }
    const float targetPosition = m_paused.load(std::memory_order_relaxed) ? 0.0f : 1.0f;
    if (m_position == targetPosition && m_levelFramesLeft == 0) {
        const float gain = gainNow();
        if (gain != 1.0f)
            std::transform(interleavedStereo, interleavedStereo + 2 * frames, interleavedStereo,
                           [gain](float sample) { return sample * gain; });
        return;
    }
    const float pauseStep = 1.0f / (pauseSeconds * m_rate);
    for (std::size_t i = 0; i < frames; ++i) {
        m_position = targetPosition > m_position ? std::min(targetPosition, m_position + pauseStep)
                                                 : std::max(targetPosition, m_position - pauseStep);
        if (m_levelFramesLeft > 0) {
            m_level = --m_levelFramesLeft == 0 ? m_seenLevel : m_level + m_levelStep;
        }
        const float gain = gainNow();
        interleavedStereo[2 * i] *= gain;
        interleavedStereo[2 * i + 1] *= gain;
    }
}
