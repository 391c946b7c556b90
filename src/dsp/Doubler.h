#pragma once

#include "dsp/SincTable.h"

#include <array>
#include <cstdint>

// A doubling kernel (SincTable) applied to a stretch of frames: each source frame gives two
// frames at twice the rate, rounded to 16 bits, as the resampler reads them. The steep kernel
// doubles stored sounds once; the half-band kernel, which keeps each source frame as it is
// and works out only the frames between, doubles live sounds as they play.
//
// Any thread; run() neither allocates nor waits, so the audio thread may double a live sound.
class Doubler
{
public:
    enum class Kernel { Steep, HalfBand };

    // How many source frames before the first one each window reaches back.
    static constexpr std::int64_t leadFrames = SincTable::doublingTaps / 2 - 1;

    explicit Doubler(Kernel kernel = Kernel::Steep);

    // Doubles source frames 0 .. count - 1, given `left` and `right` from `leadFrames` before
    // frame 0 to count + doublingTaps - 1 frames on (plus sixteen more that a vector path may
    // read), into 2 * count interleaved stereo frames at `target`. A vector path may write up
    // to fifteen source frames' worth past them unless `count` is a multiple of sixteen.
    void run(const float *left, const float *right, std::int64_t count, std::int16_t *target) const noexcept;

    // Both rows of the doubling kernel are symmetric: the even row's tap k equals its tap
    // 62 - k (and tap 63 is zero), the odd row's tap k its tap 63 - k. Folded, each pair of
    // frames is added first and multiplied once, which halves the multiplications; the even
    // row's middle tap is halved because it meets itself.
    struct FoldedRows
    {
        static constexpr int taps = SincTable::doublingTaps / 2;
        static constexpr int evenMirror = SincTable::doublingTaps - 2;
        static constexpr int oddMirror = SincTable::doublingTaps - 1;

        std::array<float, taps> even{};
        std::array<float, taps> odd{};
    };

private:
    FoldedRows m_rows;
    Kernel m_kernel;
    bool m_avx2;
};
