#include "synth/WanderCurve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Steps per cycle of the highest frequency: plenty for straight lines to follow the curve.
constexpr double kStepsPerCycle = 64.0;
// The share of a cycle's phase that drifts at random each cycle, as a variance: an
// oscillator loses its time within about three cycles.
constexpr double kDriftPerCycle = 0.1;

}

WanderCurve::WanderCurve(double lowestHertz, double highestHertz, double sampleRate, Random &random)
    : m_random(random.next())
    // Sinusoids of random phase add their powers: a half of the squared amplitude each.
    , m_amplitude(std::sqrt(2.0 / oscillators))
    , m_lines(static_cast<std::size_t>(std::max(1.0, sampleRate / (kStepsPerCycle * highestHertz))))
{
    const double stepSeconds = static_cast<double>(m_lines.interval()) / sampleRate;
    const double octaves = std::log2(highestHertz / lowestHertz);
    for (std::size_t k = 0; k < oscillators; ++k) {
        // Each takes a random place in its own share of the octaves.
        const double place = (static_cast<double>(k) + m_random.uniform()) / oscillators;
        const double hertz = lowestHertz * std::exp2(octaves * place);
        Oscillator &oscillator = m_oscillators[k];
        oscillator.advance = 2.0 * std::numbers::pi * hertz * stepSeconds;
        oscillator.drift = std::sqrt(kDriftPerCycle * 2.0 * std::numbers::pi * oscillator.advance);
        oscillator.phase = m_random.phase();
    }
    m_lines.place(sum());
}

double WanderCurve::sum() const noexcept
{
    double total = 0.0;
    for (const Oscillator &oscillator : m_oscillators)
        total += std::cos(oscillator.phase);
    return m_amplitude * total;
}

double WanderCurve::advance() noexcept
{
    for (Oscillator &oscillator : m_oscillators)
        oscillator.phase = std::remainder(oscillator.phase + oscillator.advance + oscillator.drift * m_random.gaussian(),
                                          2.0 * std::numbers::pi);
    return sum();
}
