#pragma once

#include "dsp/Doubler.h"
#include "dsp/SincTable.h"
#include "dsp/StretchedKernel.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Plays a looping sound at any rate through a band-limited polyphase filter (SincTable), read
// from a doubled copy of the sound: a stored sound's whole loop, or a live sound's ring that its
// maker keeps filled ahead of the read position (position() and reach() say how far).
//
// Audio thread only, after setSource(). Up to a step of 7/4 doubled frames per output frame
// (a sound played at up to 7/8 of the output's rate, 42 kHz at 48 kHz) the reading kernel
// keeps the sound's band and removes its images; above that the band kernel is stretched
// with the step, so the cutoff follows the output's band and nothing folds back.
// A new rate is reached by a linear glide of the step, so a dragged slider neither clicks
// nor zips. The loop wraps seamlessly: the doubled copy carries the frames around the loop
// point on both sides.
class SincResampler
{
public:
    // The kernel stretches up to this step in doubled frames; beyond it (an output far
    // slower than the sound) it stays at this width.
    static constexpr int maximumStretch = 8;

    SincResampler();

    // Any thread but the audio thread, before the first read and published to it: the loop
    // to read, `frames` doubled frames from `data` with DoubledSound's margins around them,
    // doubled through `doubling`. It outlives the resampler. A copy doubled through the
    // half-band kernel is read by the reading kernel up to a step of 11/5 (a 48 kHz sound at
    // its own rate at 44.1 kHz), since its band ends lower.
    void setSource(const std::int16_t *data, std::int64_t frames, Doubler::Kernel doubling = Doubler::Kernel::Steep);
    bool hasSource() const { return m_data != nullptr; }

    // Sets the rate to play at. The first rate, and any rate while `glide` is false, takes
    // effect at once; later ones are reached over about 20 ms.
    void setRate(double sourceHertz, int outputRate, bool glide) noexcept;
    // Overwrites `frames` interleaved stereo frames (in the sound's 16-bit scale) and moves
    // the play position on.
    void read(float *stereo, std::size_t frames) noexcept;
    // The doubled frame of the loop that the next read starts from.
    std::int64_t position() const noexcept { return static_cast<std::int64_t>(m_phase >> 32); }
    // How many doubled frames past position() reading `frames` output frames may touch.
    std::int64_t reach(std::size_t frames) const noexcept;
    // As read(), but adds the frames to `stereo`, each side at its gain: a channel at a
    // steady volume is mixed without a pass of its own.
    void addTo(float *stereo, std::size_t frames, float gainLeft, float gainRight) noexcept;

    // How read frames reach the caller's buffer; the gains count only when adding.
    struct Gains
    {
        float left;
        float right;
    };

private:
    static constexpr std::size_t convertedFrames = 256;

    template <bool Avx2, bool Add>
    void readFrames(float *stereo, std::size_t frames, Gains gains) noexcept;
    template <bool Avx2, bool Add>
    void readConverted(float *stereo, std::size_t frames, std::uint64_t largestStep, Gains gains) noexcept;
    template <bool Avx2, bool Add>
    void readDirect(float *stereo, std::size_t frames, Gains gains) noexcept;
    template <bool Add>
    void readFramesAvx2(float *stereo, std::size_t frames, Gains gains) noexcept;
    template <bool Add>
    void dispatch(float *stereo, std::size_t frames, Gains gains) noexcept;
    template <bool Add>
    void stretched(std::uint64_t phase, std::uint64_t step, float *frame, Gains gains) const noexcept;
    template <bool Add>
    void stretchedAvx2(std::uint64_t phase, std::uint64_t step, float *frame, Gains gains) const noexcept;
    template <bool Avx2, bool Add>
    std::size_t readStretched(float *stereo, std::size_t frames, Gains gains) noexcept;
    // Consecutive doubled frames from `first` (which may lie a little before 0 or past the
    // end of the loop), contiguous.
    const std::int16_t *window(std::int64_t first) const noexcept;

    const std::int16_t *m_data = nullptr;
    std::int64_t m_frames = 0;
    std::uint64_t m_fastStepLimit = 0;
    std::uint64_t m_loopLength = 0;
    bool m_useAvx2;
    // The frames that a chunk reads, as float, left and right apart: the right side starts
    // `splitStride` floats after the left, so one pointer with a fixed offset reaches both.
    // A stretched kernel that reads every other frame has each side's even frames in its
    // first half and its odd frames in the second.
    // Aligned, so that which window loads straddle cache lines depends on the read position
    // alone and not on where the channel's buffer happens to be allocated.
    static constexpr std::size_t splitStride = 9 * convertedFrames / 4 + SincTable::taps + 16;
    static_assert(splitStride % 16 == 0, "the right side starts on a cache line too");
    alignas(64) std::array<float, 2 * splitStride> m_split;
    // The stretched kernel for the last steady step above the reading kernel's.
    StretchedKernel m_stretched;

    std::uint64_t m_phase = 0; // doubled frames, 32.32 fixed point
    std::uint64_t m_step = 0;
    std::uint64_t m_targetStep = 0;
    std::int64_t m_stepChange = 0;
    std::uint32_t m_glideLeft = 0;
};
