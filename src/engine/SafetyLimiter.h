#pragma once

#include <cstddef>

// Keeps the summed mix from clipping hard: below the threshold it does nothing; a peak
// above it pulls the gain down at once, and the gain recovers over a fraction of a second.
// Audio thread only.
class SafetyLimiter
{
public:
    explicit SafetyLimiter(int sampleRate);

    void process(float *interleavedStereo, std::size_t frames) noexcept;
    float currentGain() const { return m_gain; }

private:
    float m_threshold;
    float m_release;
    float m_gain = 1.0f;
};
