#pragma once

#include <array>
#include <cstdint>

// The band kernel stretched for one steady step, tabulated: for each of `phases` read positions
// between two doubled frames, the weights of the frames around it, normalised to sum to one,
// and how each changes to the next position, so that a straight line joins them. A channel
// read faster than the reading kernel allows then costs a multiply-add per frame and side
// instead of working out each weight anew.
//
// A doubled sound holds nothing above a quarter of its rate, so every other frame of it is a
// whole sound as well; a kernel stretched to twice a frame or more passes nothing above a
// quarter either, so it reads every other frame alone.
//
// Audio thread. build() works out a few thousand weights, some microseconds, when a step
// settles; it neither allocates nor waits.
class StretchedKernel
{
public:
    static constexpr int phases = 32;
    // Taps of the widest kernel (eight frames' stretch, every other frame), in whole pairs of
    // vectors.
    static constexpr int maximumTaps = 144;

    // The spacing of the frames a kernel `stretch` frames wide reads.
    static int spacingFor(float stretch) noexcept { return stretch >= 2.0f ? 2 : 1; }

    bool holds(std::uint64_t step) const noexcept { return m_step == step; }
    // Tabulates the kernel for `step` (doubled frames per output frame, 32-bit fraction), which
    // is `stretch` frames wide.
    void build(std::uint64_t step, float stretch) noexcept;

    // The first frame read, from the frame the read position lies in (a negative offset).
    int first() const noexcept { return m_first; }
    // Every spacing()-th frame from first() is read, taps() of them, a multiple of sixteen.
    int spacing() const noexcept { return m_spacing; }
    int taps() const noexcept { return m_taps; }
    // Both sides at `fraction` (of 2^32) past the frame the read position lies in, from the
    // frames it reads, each side apart, as float.
    template <bool Avx2>
    void weigh(const float *sourceLeft, const float *sourceRight, std::uint32_t fraction, float &left,
               float &right) const noexcept;

private:
    void weighGeneric(const float *sourceLeft, const float *sourceRight, std::uint32_t fraction, float &left,
                      float &right) const noexcept;
    void weighAvx2(const float *sourceLeft, const float *sourceRight, std::uint32_t fraction, float &left,
                   float &right) const noexcept;

    std::uint64_t m_step = 0;
    int m_first = 0;
    int m_spacing = 1;
    // Taps rounded up to whole pairs of vectors; the extra ones weigh nothing.
    int m_taps = 0;
    // Row r holds the weights at r / phases of a frame, then how each changes to row r + 1.
    alignas(32) std::array<float, phases * 2 * maximumTaps> m_rows{};
};

template <bool Avx2>
inline void StretchedKernel::weigh(const float *sourceLeft, const float *sourceRight, std::uint32_t fraction,
                                   float &left, float &right) const noexcept
{
    if constexpr (Avx2)
        weighAvx2(sourceLeft, sourceRight, fraction, left, right);
    else
        weighGeneric(sourceLeft, sourceRight, fraction, left, right);
}
