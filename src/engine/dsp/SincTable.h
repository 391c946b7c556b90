#pragma once

#include <array>
#include <vector>

// The resampler's low-pass kernel: a Kaiser-windowed sinc, tabulated once for the whole
// program.
//
// The kernel passes a sound's band to 0.41 of its own rate (9 kHz of a 22050 Hz file) within
// 0.35 dB and is more than 80 dB down from 0.55 of its rate, where the first image of a tone
// near the top of the band lands; a noise's images stay 69 dB under its band. Thirty-two taps
// are what that takes; forty would gain margin that nobody hears for a fifth more of the
// mixer's time, which the resampler dominates.
//
// The table holds it in polyphase form: row p gives the taps for a read position p / phases
// of the way between two source frames, followed by how each tap changes to row p + 1, so a
// reader interpolates between neighbouring phases with one multiply-add per tap.
class SincTable
{
public:
    static constexpr int taps = 32;
    static constexpr int phases = 128;
    static constexpr int rowFloats = 2 * taps;

    static const SincTable &instance();

    // Row `phase` (0 <= phase < phases): tap k weighs source frame i - taps / 2 + 1 + k
    // for a read position of i + phase / phases. Every row sums to one.
    const float *row(int phase) const { return m_rows.data() + static_cast<std::size_t>(phase) * rowFloats; }

    // The kernel at `x` source frames from the read position, interpolated from a finely
    // sampled copy; zero for |x| >= taps / 2. Used when the kernel is stretched.
    float kernel(float x) const noexcept;

private:
    SincTable();

    // Rows start on cache lines, so that no load of eight taps straddles two, wherever the
    // table lands.
    alignas(64) std::array<float, static_cast<std::size_t>(phases) * rowFloats> m_rows{};
    std::vector<float> m_prototype;
};
