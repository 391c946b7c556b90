#include "synth/Waveform.h"

#include "synth/Random.h"

#include <cmath>
#include <numbers>

Waveform::Waveform(const std::vector<double> &levels, Random &random)
{
    std::vector<double> phases;
    for (std::size_t harmonic = 0; harmonic < levels.size(); ++harmonic)
        phases.push_back(random.phase());
    for (std::size_t i = 0; i <= tableSize; ++i) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(tableSize);
        double value = 0.0;
        for (std::size_t harmonic = 0; harmonic < levels.size(); ++harmonic)
            value += levels[harmonic] * std::sin(static_cast<double>(harmonic + 1) * angle + phases[harmonic]);
        m_table[i] = static_cast<float>(value);
    }
}
