#pragma once

#include <array>
#include <cstdint>
#include <vector>

class Random;

// One cycle of a steady tone, a fundamental and its harmonics each at a random phase,
// tabulated so that an oscillator reads it at any frequency for a few operations a sample
// rather than a sine per harmonic. The table is fine enough that reading between its
// entries in a straight line errs by less than a ten-thousandth of the level, up to the
// sixth harmonic.
//
// Made off the audio thread; at() is the audio thread's.
class Waveform
{
public:
    static constexpr int tableBits = 11;

    // `levels` are the amplitudes of the fundamental, the second harmonic and so on.
    Waveform(const std::vector<double> &levels, Random &random);

    // The wave at `phase`, where 2^32 is a whole cycle.
    float at(std::uint32_t phase) const noexcept
    {
        const std::uint32_t index = phase >> fractionBits;
        const float fraction = static_cast<float>(phase & fractionMask) * fractionScale;
        const float here = m_table[index];
        return here + fraction * (m_table[index + 1] - here);
    }

private:
    static constexpr std::size_t tableSize = std::size_t{1} << tableBits;
    static constexpr int fractionBits = 32 - tableBits;
    static constexpr std::uint32_t fractionMask = (std::uint32_t{1} << fractionBits) - 1;
    static constexpr float fractionScale = 1.0f / static_cast<float>(std::uint32_t{1} << fractionBits);

    // One entry more than a cycle, the first again, so that reading never wraps.
    std::array<float, tableSize + 1> m_table{};
};
