#include "synth/ColouredNoiseSound.h"

#include "synth/FilterShape.h"

#include <algorithm>

ColouredNoiseSound::ColouredNoiseSound(double decibelsPerOctave, double lowCutHertz, float level, Random &random)
    // A steep cut, so the slope holds unbent an octave above it.
    : m_bed([=](double hertz) { return FilterShape::powerSlope(hertz, decibelsPerOctave) * FilterShape::highPass(hertz, lowCutHertz, 4); },
            doubledRate, random)
    , m_level(level)
{
}

void ColouredNoiseSound::generate(float *left, float *right, std::size_t frames) noexcept
{
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    m_bed.addTo(left, right, frames, m_level);
}
