#include "synth/SlowCurve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kStepsPerCycle = 16.0;
constexpr double kSlowWeight = 0.6;
constexpr double kQuickWeight = 0.8;

// A walk pulled back towards zero with a corner at `hertz`, stepped `rate` times a second,
// with unit variance when left to itself.
void tune(double hertz, double rate, double &pull, double &spread)
{
    pull = std::exp(-2.0 * std::numbers::pi * hertz / rate);
    spread = std::sqrt(1.0 - pull * pull);
}

}

SlowCurve::SlowCurve(double maxHertz, double sampleRate, Random &random)
    : m_random(random.next())
    , m_lines(std::max<std::size_t>(1, static_cast<std::size_t>(sampleRate / (kStepsPerCycle * maxHertz))))
{
    const double stepRate = sampleRate / static_cast<double>(m_lines.interval());
    tune(maxHertz / 6.0, stepRate, m_slow.pull, m_slow.spread);
    tune(maxHertz / 1.5, stepRate, m_quick.pull, m_quick.spread);
    // Each walk has unit variance, so the weighted sum's is the sum of the squared weights.
    m_scale = 1.0 / std::sqrt(kSlowWeight * kSlowWeight + kQuickWeight * kQuickWeight);
    // Starts somewhere along the way rather than at rest.
    m_slow.value = m_random.gaussian();
    m_quick.value = m_random.gaussian();
    m_lines.place(m_scale * (kSlowWeight * m_slow.value + kQuickWeight * m_quick.value));
}

double SlowCurve::target() noexcept
{
    for (Walk *walk : {&m_slow, &m_quick})
        walk->value = walk->pull * walk->value + walk->spread * m_random.gaussian();
    return m_scale * (kSlowWeight * m_slow.value + kQuickWeight * m_quick.value);
}
