#include "synth/NoiseMixture.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

// A table's RMS is proportional to the root of its bins' summed power (Parseval), over the
// bins it fills: all but the lowest and the highest.
double binPower(const NoiseTable::Response &magnitude, std::size_t frames, double sampleRate)
{
    double power = 0.0;
    for (std::size_t bin = 1; bin < frames / 2; ++bin) {
        const double hertz = static_cast<double>(bin) * sampleRate / static_cast<double>(frames);
        if (hertz >= NoiseTable::bandHertz)
            break;
        const double value = magnitude(hertz);
        power += value * value;
    }
    return power;
}

}

NoiseMixture::NoiseMixture(std::initializer_list<Part> parts, std::size_t frames, double sampleRate)
{
    std::vector<std::pair<NoiseTable::Response, double>> weighted;
    double power = 0.0;
    for (const Part &part : parts) {
        weighted.emplace_back(part.magnitude, part.rms * part.rms / binPower(part.magnitude, frames, sampleRate));
        power += part.rms * part.rms;
    }
    m_rms = std::sqrt(power);
    m_response = [weighted = std::move(weighted)](double hertz) {
        double sum = 0.0;
        for (const auto &[magnitude, weight] : weighted) {
            const double value = magnitude(hertz);
            sum += weight * value * value;
        }
        return std::sqrt(sum);
    };
}
