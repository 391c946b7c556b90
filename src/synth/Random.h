#pragma once

#include <array>
#include <complex>
#include <cstdint>

// xoshiro256** seeded through splitmix64. Our own generator rather than the standard
// distributions, whose output differs between library versions: the same seed must give
// byte-identical sound files everywhere.
class Random
{
public:
    explicit Random(std::uint64_t seed);

    std::uint64_t next();
    double uniform();
    double uniform(double low, double high);
    double gaussian();
    double phase();
    // A point on the unit circle at a uniformly random angle, as (cos, sin) of phase() but
    // found without either: by drawing points in the square until one falls in the circle.
    std::complex<double> phasor();

private:
    std::array<std::uint64_t, 4> m_state{};
    double m_spareGaussian = 0.0;
    bool m_hasSpareGaussian = false;
};
