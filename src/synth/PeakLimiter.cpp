#include "synth/PeakLimiter.h"

#include <algorithm>
#include <cmath>

PeakLimiter::PeakLimiter(float ceiling)
    : m_ceiling(ceiling)
{
    // Before the stream there is silence, which needs no lowering.
    m_minima.fill(1.0f);
}

void PeakLimiter::process(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t i = 0; i < frames; ++i) {
        const float gain = limit(left[i], right[i]);
        left[i] *= gain;
        right[i] *= gain;
    }
}

// Takes in frame n and hands back frame n - delay with the gain it is to be played at.
float PeakLimiter::limit(float &left, float &right) noexcept
{
    const std::uint64_t n = m_frame++;
    const float peak = std::max(std::fabs(left), std::fabs(right));
    const float needed = peak > m_ceiling ? m_ceiling / peak : 1.0f;
    m_needed[n & mask] = needed;
    while (m_back != m_front && m_needed[m_candidates[(m_back - 1) & mask] & mask] >= needed)
        --m_back;
    m_candidates[m_back++ & mask] = n;
    if (n >= window && m_candidates[m_front & mask] <= n - window)
        ++m_front;
    // The smallest need around frame n - reach, and the average of those around n - delay.
    const float minimum = m_needed[m_candidates[m_front & mask] & mask];
    m_minimaSum += static_cast<double>(minimum) - m_minima[(n - window) & mask];
    m_minima[n & mask] = minimum;
    m_left[n & mask] = left;
    m_right[n & mask] = right;
    left = m_left[(n - delay) & mask];
    right = m_right[(n - delay) & mask];
    return static_cast<float>(m_minimaSum / static_cast<double>(window));
}
