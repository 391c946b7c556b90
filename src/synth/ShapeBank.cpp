#include "synth/ShapeBank.h"

#include <algorithm>
#include <cmath>

namespace {

// Ringing below this share of a shape's peak is cut off.
constexpr double kTrimRatio = 1e-4;

}

void ShapeBank::add(const double *filtered, std::size_t frames, std::size_t onset)
{
    double peak = 0.0;
    for (std::size_t i = 0; i < frames; ++i)
        peak = std::max(peak, std::fabs(filtered[i]));
    std::size_t first = 0;
    std::size_t end = frames;
    while (first < onset && std::fabs(filtered[first]) < kTrimRatio * peak)
        ++first;
    while (end > onset && std::fabs(filtered[end - 1]) < kTrimRatio * peak)
        --end;
    m_shapes.push_back({m_samples.size(), end - first, onset - first, static_cast<float>(peak)});
    m_samples.insert(m_samples.end(), filtered + first, filtered + end);
    m_latency = std::max<std::uint64_t>(m_latency, onset - first);
}
