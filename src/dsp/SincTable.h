#pragma once

#include <array>
#include <vector>

// The resampler's kernels, Kaiser-windowed sincs tabulated once for the whole program.
//
// A sound is read in two stages. Before it first plays, it is doubled in rate through the
// doubling kernel, which passes the sound's band to 0.41 of its rate (9 kHz of a 22050 Hz
// file) flat and is more than 100 dB down from 0.526 of its rate (11.6 kHz), where images
// begin; sixty-four of the sound's frames are what so sharp a transition takes, which only
// costs once. Every output frame is then read from the doubled copy through the reading
// kernel. There the band fills only the lowest quarter of the rate and the first image
// starts at three quarters, so a gentle transition keeps images more than 100 dB down with
// sixteen taps: the mixer's main cost, a quarter of the taps that one stage of the same
// quality would need per output frame.
//
// Where the output is much slower than the sound, the band kernel, stretched with the step,
// takes over from the reading kernel: thirty-two frames wide, it passes 0.41 of the output's
// rate and is more than 80 dB down from 0.55.
//
// The reading kernel is held in polyphase form: row p gives the taps for a read position p /
// phases of the way between two frames, followed by how each tap changes to row p + 1, so a
// reader interpolates between neighbouring phases with one multiply-add per tap.
class SincTable
{
public:
    static constexpr int taps = 16;
    static constexpr int phases = 128;
    static constexpr int rowFloats = 2 * taps;
    static constexpr int bandTaps = 32;
    static constexpr int doublingTaps = 64;

    static const SincTable &instance();

    // Row `phase` (0 <= phase < phases) of the reading kernel: tap k weighs frame
    // i - taps / 2 + 1 + k for a read position of i + phase / phases. Every row sums to one.
    const float *row(int phase) const { return m_rows.data() + static_cast<std::size_t>(phase) * rowFloats; }

    // The doubling kernel's taps for a position `half` (0 or 1) halves of a frame past frame
    // i: tap k weighs frame i - doublingTaps / 2 + 1 + k. Each sums to one.
    const float *doublingRow(int half) const { return m_doubling.data() + static_cast<std::size_t>(half) * doublingTaps; }

    // The half-band kernel's taps for the position half a frame past frame i, laid out as
    // doublingRow(1); at the frame itself it is the frame. It passes the sound flat to 0.45 of
    // its rate (10 kHz of 22050 Hz) and is some 90 dB down from 0.55, where images begin:
    // what a live sound needs, for half the doubling kernel's work.
    const float *halfBandRow() const { return m_halfBand.data(); }

    // The band kernel at `x` of the sound's frames from the read position, interpolated from
    // a finely sampled copy; zero for |x| >= bandTaps / 2. Used when the kernel is stretched.
    float kernel(float x) const noexcept;
    // The finely sampled copy itself: bandTaps * phases + 1 values, value m at
    // m / phases - bandTaps / 2 frames.
    const float *prototype() const { return m_prototype.data(); }

private:
    SincTable();

    // Rows start on cache lines, so that no load of eight taps straddles two, wherever the
    // table lands.
    alignas(64) std::array<float, static_cast<std::size_t>(phases) * rowFloats> m_rows{};
    alignas(64) std::array<float, 2 * doublingTaps> m_doubling{};
    alignas(64) std::array<float, doublingTaps> m_halfBand{};
    std::vector<float> m_prototype;
};
