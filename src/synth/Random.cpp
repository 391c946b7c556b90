#include "synth/Random.h"

#include <cmath>
#include <numbers>

namespace {

std::uint64_t splitMix(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}

Random::Random(std::uint64_t seed)
{
    for (auto &word : m_state)
        word = splitMix(seed);
}

double Random::uniform(double low, double high)
{
    return low + (high - low) * uniform();
}

double Random::gaussian()
{
    if (m_hasSpareGaussian) {
        m_hasSpareGaussian = false;
        return m_spareGaussian;
    }
    // 1 - uniform() lies in (0, 1], so the logarithm stays finite.
    const double radius = std::sqrt(-2.0 * std::log(1.0 - uniform()));
    const double angle = phase();
    m_spareGaussian = radius * std::sin(angle);
    m_hasSpareGaussian = true;
    return radius * std::cos(angle);
}

double Random::phase()
{
    return 2.0 * std::numbers::pi * uniform();
}

std::complex<double> Random::phasor()
{
    for (;;) {
        const double x = uniform(-1.0, 1.0);
        const double y = uniform(-1.0, 1.0);
        const double squared = x * x + y * y;
        // Near the centre the direction is rounded coarsely, so those points are drawn again.
        if (squared <= 1.0 && squared > 1e-6)
            return {x / std::sqrt(squared), y / std::sqrt(squared)};
    }
}
