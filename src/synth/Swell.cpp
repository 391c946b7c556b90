#include "synth/Swell.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kTurn = 2.0 * std::numbers::pi;

}

Swell::Swell(double lowHertz, double highHertz, double stepRate, Random &random)
    : m_random(random.next())
    , m_lowStep(kTurn * lowHertz / stepRate)
    , m_highStep(kTurn * highHertz / stepRate)
    , m_phase(m_random.phase())
{
    drawCycle();
}

float Swell::next() noexcept
{
    m_phase += m_step;
    if (m_phase >= kTurn) {
        // At the crossing the sine moves in a straight line, so a new pace there leaves no kink.
        m_phase -= kTurn;
        drawCycle();
    }
    return static_cast<float>(std::numbers::sqrt2 * std::sin(m_phase));
}

void Swell::drawCycle() noexcept
{
    m_step = m_random.uniform(m_lowStep, m_highStep);
}

double Swell::meanPower(double depth)
{
    // The mean of exp(x sin) over a cycle is the modified Bessel function I0(x).
    return std::cyl_bessel_i(0.0, 2.0 * depth * std::numbers::sqrt2);
}
