#include "synth/TonePhase.h"

#include <cmath>

TonePhase::TonePhase(double hertz, double sampleRate)
    : m_step(static_cast<std::uint32_t>(std::llround(hertz / sampleRate * 4294967296.0)))
{
}
