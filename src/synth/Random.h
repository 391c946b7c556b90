#pragma once

#include <array>
#include <bit>
#include <complex>
#include <cstdint>

// xoshiro256** seeded through splitmix64. Our own generator rather than the standard
// distributions, whose output differs between library versions: the same seed must draw the
// same sound everywhere. (Its last bits may still differ between processors with and without
// fused multiply-adds, which the sounds' wide loops use where they can.)
class Random
{
public:
    explicit Random(std::uint64_t seed);

    // Inline, since the sounds draw a number a frame.
    std::uint64_t next() noexcept
    {
        const std::uint64_t result = std::rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t shifted = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= shifted;
        m_state[3] = std::rotl(m_state[3], 45);
        return result;
    }
    double uniform() noexcept { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
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
