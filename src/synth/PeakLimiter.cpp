#include "synth/PeakLimiter.h"

#include "synth/Loudest.h"

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
    // Most of the time nothing near needs lowering: then the stream only waits its turn.
    if (m_frame >= m_settledFrom && peak(left, right, frames) <= m_ceiling) {
        passOn(left, right, frames);
        return;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        const float gain = limit(left[i], right[i]);
        left[i] *= gain;
        right[i] *= gain;
    }
}

float PeakLimiter::peak(const float *left, const float *right, std::size_t frames) noexcept
{
    return std::max(loudestOf(left, frames), loudestOf(right, frames));
}

void PeakLimiter::passOn(float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint64_t n = m_frame++;
        m_left[n & mask] = left[i];
        m_right[n & mask] = right[i];
        left[i] = m_left[(n - delay) & mask];
        right[i] = m_right[(n - delay) & mask];
        m_minima[n & mask] = 1.0f;
    }
    // Every need in reach is 1, so the window's smallest is the newest frame's alone.
    m_front = m_back;
    m_minimaSum = static_cast<double>(window);
}

// Takes in frame n and hands back frame n - delay with the gain it is to be played at.
float PeakLimiter::limit(float &left, float &right) noexcept
{
    const std::uint64_t n = m_frame++;
    const float loudest = std::max(std::fabs(left), std::fabs(right));
    float needed = 1.0f;
    if (loudest > m_ceiling) {
        needed = m_ceiling / loudest;
        // Its need reaches the minima for twice `reach` frames, and their average as long again.
        m_settledFrom = n + 2 * window;
    }
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
