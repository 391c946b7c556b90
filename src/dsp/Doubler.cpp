#include "dsp/Doubler.h"

#include "dsp/Simd.h"

#include <algorithm>
#include <cmath>

namespace {

using Rows = Doubler::FoldedRows;

std::int16_t toSample(float value)
{
    return static_cast<std::int16_t>(std::clamp<long>(std::lrint(value), -32768, 32767));
}

// Source frame j of the block gives doubled frames 2j (at the frame) and 2j + 1 (half a
// frame on), written as four samples from target[4 * j].
void doubleBlockGeneric(const Rows &rows, const float *left, const float *right, std::int64_t count,
                        std::int16_t *target)
{
    for (std::int64_t j = 0; j < count; ++j) {
        float evenLeft = 0.0f;
        float evenRight = 0.0f;
        float oddLeft = 0.0f;
        float oddRight = 0.0f;
        for (int k = 0; k < Rows::taps; ++k) {
            const float e = rows.even[static_cast<std::size_t>(k)];
            const float o = rows.odd[static_cast<std::size_t>(k)];
            evenLeft += e * (left[j + k] + left[j + Rows::evenMirror - k]);
            evenRight += e * (right[j + k] + right[j + Rows::evenMirror - k]);
            oddLeft += o * (left[j + k] + left[j + Rows::oddMirror - k]);
            oddRight += o * (right[j + k] + right[j + Rows::oddMirror - k]);
        }
        target[4 * j] = toSample(evenLeft);
        target[4 * j + 1] = toSample(evenRight);
        target[4 * j + 2] = toSample(oddLeft);
        target[4 * j + 3] = toSample(oddRight);
    }
}

// As doubleBlockGeneric, with the half-band kernel: the frame at each source frame is that
// frame, so only the odd row is worked out.
void halfBandBlockGeneric(const Rows &rows, const float *left, const float *right, std::int64_t count,
                          std::int16_t *target)
{
    constexpr std::int64_t centre = Doubler::leadFrames;
    for (std::int64_t j = 0; j < count; ++j) {
        float oddLeft = 0.0f;
        float oddRight = 0.0f;
        for (int k = 0; k < Rows::taps; ++k) {
            const float o = rows.odd[static_cast<std::size_t>(k)];
            oddLeft += o * (left[j + k] + left[j + Rows::oddMirror - k]);
            oddRight += o * (right[j + k] + right[j + Rows::oddMirror - k]);
        }
        target[4 * j] = toSample(left[j + centre]);
        target[4 * j + 1] = toSample(right[j + centre]);
        target[4 * j + 2] = toSample(oddLeft);
        target[4 * j + 3] = toSample(oddRight);
    }
}

#ifdef SONIVALE_HAVE_AVX2_PATH
// Rounds eight frames of each sum to 16 bits and writes them as 8 x (even left, even right,
// odd left, odd right).
__attribute__((target("avx2,fma"))) inline void storeEight(__m256 evenLeft, __m256 evenRight, __m256 oddLeft,
                                                           __m256 oddRight, std::int16_t *target)
{
    // Within each 128-bit lane, l0 l1 l2 l3 r0 r1 r2 r3 becomes l0 r0 l1 r1 l2 r2 l3 r3.
    const __m256i pairUp = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2, 3, 10, 11,
                                            4, 5, 12, 13, 6, 7, 14, 15);
    const __m256i evens = _mm256_shuffle_epi8(
        _mm256_packs_epi32(_mm256_cvtps_epi32(evenLeft), _mm256_cvtps_epi32(evenRight)), pairUp);
    const __m256i odds = _mm256_shuffle_epi8(
        _mm256_packs_epi32(_mm256_cvtps_epi32(oddLeft), _mm256_cvtps_epi32(oddRight)), pairUp);
    // Per lane: frames 0 and 1 (and 4, 5) from the low halves, 2 and 3 (6, 7) from the high.
    const __m256i low = _mm256_unpacklo_epi32(evens, odds);
    const __m256i high = _mm256_unpackhi_epi32(evens, odds);
    auto *out = reinterpret_cast<__m256i *>(target);
    _mm256_storeu_si256(out, _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(low, high, 0x31));
}

// Sixteen source frames at a time, so that eight independent sums hide the latency of each
// multiply-add; may write up to fifteen frames' worth past `count`.
__attribute__((target("avx2,fma"))) void doubleBlockAvx2(const Rows &rows, const float *left, const float *right,
                                                         std::int64_t count, std::int16_t *target)
{
    for (std::int64_t j = 0; j < count; j += 16) {
        __m256 sums[8];
        for (__m256 &sum : sums)
            sum = _mm256_setzero_ps();
        for (int k = 0; k < Rows::taps; ++k) {
            const __m256 e = _mm256_broadcast_ss(rows.even.data() + k);
            const __m256 o = _mm256_broadcast_ss(rows.odd.data() + k);
#pragma GCC unroll 2
            for (int half = 0; half < 2; ++half) {
                const float *l = left + j + 8 * half;
                const float *r = right + j + 8 * half;
                const __m256 lk = _mm256_loadu_ps(l + k);
                const __m256 rk = _mm256_loadu_ps(r + k);
                sums[4 * half] = _mm256_fmadd_ps(e, _mm256_add_ps(lk, _mm256_loadu_ps(l + Rows::evenMirror - k)),
                                                 sums[4 * half]);
                sums[4 * half + 1] = _mm256_fmadd_ps(e, _mm256_add_ps(rk, _mm256_loadu_ps(r + Rows::evenMirror - k)),
                                                     sums[4 * half + 1]);
                sums[4 * half + 2] = _mm256_fmadd_ps(o, _mm256_add_ps(lk, _mm256_loadu_ps(l + Rows::oddMirror - k)),
                                                     sums[4 * half + 2]);
                sums[4 * half + 3] = _mm256_fmadd_ps(o, _mm256_add_ps(rk, _mm256_loadu_ps(r + Rows::oddMirror - k)),
                                                     sums[4 * half + 3]);
            }
        }
        storeEight(sums[0], sums[1], sums[2], sums[3], target + 4 * j);
        storeEight(sums[4], sums[5], sums[6], sums[7], target + 4 * j + 32);
    }
}

// The half-band kernel sixteen source frames at a time; the same overrun as doubleBlockAvx2.
__attribute__((target("avx2,fma"))) void halfBandBlockAvx2(const Rows &rows, const float *left, const float *right,
                                                           std::int64_t count, std::int16_t *target)
{
    constexpr std::int64_t centre = Doubler::leadFrames;
    for (std::int64_t j = 0; j < count; j += 16) {
        __m256 sums[4];
        for (__m256 &sum : sums)
            sum = _mm256_setzero_ps();
        for (int k = 0; k < Rows::taps; ++k) {
            const __m256 o = _mm256_broadcast_ss(rows.odd.data() + k);
#pragma GCC unroll 2
            for (int half = 0; half < 2; ++half) {
                const float *l = left + j + 8 * half;
                const float *r = right + j + 8 * half;
                sums[2 * half] = _mm256_fmadd_ps(o, _mm256_add_ps(_mm256_loadu_ps(l + k), _mm256_loadu_ps(l + Rows::oddMirror - k)),
                                                 sums[2 * half]);
                sums[2 * half + 1] = _mm256_fmadd_ps(
                    o, _mm256_add_ps(_mm256_loadu_ps(r + k), _mm256_loadu_ps(r + Rows::oddMirror - k)), sums[2 * half + 1]);
            }
        }
        for (int half = 0; half < 2; ++half) {
            const std::int64_t at = j + 8 * half + centre;
            storeEight(_mm256_loadu_ps(left + at), _mm256_loadu_ps(right + at), sums[2 * half], sums[2 * half + 1],
                       target + 4 * (j + 8 * half));
        }
    }
}
#endif

}

Doubler::Doubler(Kernel kernel)
    : m_kernel(kernel)
    , m_avx2(cpuHasAvx2())
{
    const SincTable &table = SincTable::instance();
    const float *odd = kernel == Kernel::HalfBand ? table.halfBandRow() : table.doublingRow(1);
    for (int k = 0; k < FoldedRows::taps; ++k) {
        m_rows.even[static_cast<std::size_t>(k)] = table.doublingRow(0)[k];
        m_rows.odd[static_cast<std::size_t>(k)] = odd[k];
    }
    m_rows.even[FoldedRows::taps - 1] *= 0.5f;
}

void Doubler::run(const float *left, const float *right, std::int64_t count, std::int16_t *target) const noexcept
{
    const bool halfBand = m_kernel == Kernel::HalfBand;
#ifdef SONIVALE_HAVE_AVX2_PATH
    if (m_avx2) {
        if (halfBand)
            halfBandBlockAvx2(m_rows, left, right, count, target);
        else
            doubleBlockAvx2(m_rows, left, right, count, target);
        return;
    }
#endif
    if (halfBand)
        halfBandBlockGeneric(m_rows, left, right, count, target);
    else
        doubleBlockGeneric(m_rows, left, right, count, target);
}
