#include "synth/SoftCeiling.h"

#include "synth/Loudest.h"

#include <cmath>

SoftCeiling::SoftCeiling(float knee, float ceiling)
    : m_knee(knee)
    , m_room(ceiling - knee)
{
}

void SoftCeiling::apply(float *samples, std::size_t count) const noexcept
{
    // Nearly every block stays under the knee, which one pass in vectors finds out.
    if (loudestOf(samples, count) <= m_knee)
        return;
    for (std::size_t i = 0; i < count; ++i) {
        if (std::fabs(samples[i]) > m_knee)
            samples[i] = bent(samples[i]);
    }
}

float SoftCeiling::bent(float sample) const noexcept
{
    // tanh leaves the knee with a slope of 1, so the bend has no corner.
    const float above = (std::fabs(sample) - m_knee) / m_room;
    return std::copysign(m_knee + m_room * std::tanh(above), sample);
}
