#include "engine/SafetyLimiter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float thresholdDecibels = -1.0f;
constexpr float releaseSeconds = 0.25f;

}

SafetyLimiter::SafetyLimiter(int sampleRate)
    : m_threshold(std::pow(10.0f, thresholdDecibels / 20.0f))
    , m_release(1.0f - std::exp(-1.0f / (releaseSeconds * static_cast<float>(sampleRate))))
{
}

void SafetyLimiter::process(float *interleavedStereo, std::size_t frames) noexcept
{
    float gain = m_gain;
    for (std::size_t i = 0; i < frames; ++i) {
        float &left = interleavedStereo[2 * i];
        float &right = interleavedStereo[2 * i + 1];
        const float peak = std::max(std::fabs(left), std::fabs(right));
        gain += (1.0f - gain) * m_release;
        if (peak * gain > m_threshold)
            gain = m_threshold / peak;
        left = std::clamp(left * gain, -1.0f, 1.0f);
        right = std::clamp(right * gain, -1.0f, 1.0f);
    }
    m_gain = gain;
}
