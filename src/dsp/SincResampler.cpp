#include "dsp/SincResampler.h"

#include "dsp/DoubledSound.h"
#include "dsp/Simd.h"
#include "dsp/SincTable.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint64_t unitStep = std::uint64_t{1} << 32;
constexpr float fractionScale = 1.0f / 4294967296.0f;
constexpr double glideSeconds = 0.02;
constexpr int phaseShift = 32 - 7; // log2(SincTable::phases) == 7
static_assert(SincTable::phases == 1 << 7);
static_assert(SincTable::taps % 8 == 0);
constexpr int leadFrames = SincTable::taps / 2 - 1;
// Up to this step the doubled copy's band stays under the output's Nyquist frequency and the
// reading kernel keeps its width; past it the band kernel is stretched with the step.
constexpr std::uint64_t fastStepLimit = unitStep / 4 * 7;
// A copy doubled through the half-band kernel holds its band to 0.225 of the doubled rate and
// nothing from 0.275 to 0.725, where the reading kernel's transition lies: up to this step that
// band stays under the output's Nyquist frequency, and only the half-band kernel's own
// transition, above 0.45 of the sound's rate, folds back, to above the band.
constexpr std::uint64_t halfBandStepLimit = unitStep / 5 * 11;

// One output frame of a chunk: the taps for its phase (`row`, moved `t` of the way to the
// next row) and where its first source frame sits in the chunk's converted frames.
struct ReadPoint
{
    const float *row;
    float t;
    std::size_t offset;
};

using Gains = SincResampler::Gains;

template <bool Add>
inline void deliver(float left, float right, float *frame, Gains gains) noexcept
{
    if constexpr (Add) {
        frame[0] += left * gains.left;
        frame[1] += right * gains.right;
    } else {
        frame[0] = left;
        frame[1] = right;
    }
}

template <bool Add>
inline void convolveSplitGeneric(const float *left, const float *right, const float *row, float t, float *frame,
                                 Gains gains) noexcept
{
    float sumLeft = 0.0f;
    float sumRight = 0.0f;
    for (int k = 0; k < SincTable::taps; ++k) {
        const float c = row[k] + t * row[SincTable::taps + k];
        sumLeft += c * left[k];
        sumRight += c * right[k];
    }
    deliver<Add>(sumLeft, sumRight, frame, gains);
}

inline void convertGeneric(const std::int16_t *source, float *left, float *right, std::size_t frames) noexcept
{
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] = static_cast<float>(source[2 * i]);
        right[i] = static_cast<float>(source[2 * i + 1]);
    }
}

#ifdef SONIVALE_HAVE_AVX2_PATH
// Left and right sit in separate arrays, so one set of taps serves both channels without a
// shuffle; the two sums meet only at the end.
template <bool Add>
__attribute__((target("avx2,fma"))) inline void convolveSplitAvx2(const float *left, const float *right, const float *row,
                                                                  float t, float *frame, Gains gains) noexcept
{
    const __m256 fraction = _mm256_set1_ps(t);
    __m256 sums[4] = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
#pragma GCC unroll 8
    for (int group = 0; group < SincTable::taps / 8; ++group) {
        const __m256 taps = _mm256_fmadd_ps(_mm256_loadu_ps(row + SincTable::taps + 8 * group), fraction,
                                            _mm256_loadu_ps(row + 8 * group));
        sums[2 * (group & 1)] = _mm256_fmadd_ps(_mm256_loadu_ps(left + 8 * group), taps, sums[2 * (group & 1)]);
        sums[2 * (group & 1) + 1] = _mm256_fmadd_ps(_mm256_loadu_ps(right + 8 * group), taps, sums[2 * (group & 1) + 1]);
    }
    __m128 quads = sumEachSide(_mm256_add_ps(sums[0], sums[2]), _mm256_add_ps(sums[1], sums[3]));
    if constexpr (Add) {
        const __m128 was = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double *>(frame)));
        quads = _mm_fmadd_ps(quads, _mm_setr_ps(gains.left, gains.right, 0.0f, 0.0f), was);
    }
    _mm_storel_pi(reinterpret_cast<__m64 *>(frame), quads);
}

// [a0+a1, a2+a3, b0+b1, b2+b3] in each 128-bit lane.
__attribute__((target("avx2,fma"))) inline __m256 pairSum(__m256 a, __m256 b) noexcept
{
    return _mm256_add_ps(_mm256_shuffle_ps(a, b, 0x88), _mm256_shuffle_ps(a, b, 0xDD));
}

// The sum of `low`'s two halves in the low lane, of `high`'s in the high one. A blend costs
// less than a shuffle, so this takes one shuffle where a horizontal add takes two.
__attribute__((target("avx2,fma"))) inline __m256 foldHalves(__m256 low, __m256 high) noexcept
{
    return _mm256_add_ps(_mm256_blend_ps(low, high, 0xF0), _mm256_permute2f128_ps(low, high, 0x21));
}

// Four output frames at once: their sums are reduced together, which halves the shuffles of
// a reduction and lets the four independent chains of multiply-adds overlap.
template <bool Add, std::size_t RightOffset>
__attribute__((target("avx2,fma"))) inline void convolveFourAvx2(const float *left, const ReadPoint *points, float *frames,
                                                                 Gains gains) noexcept
{
    __m256 fraction[4];
    __m256 sumLeft[4];
    __m256 sumRight[4];
    for (int f = 0; f < 4; ++f) {
        fraction[f] = _mm256_set1_ps(points[f].t);
        sumLeft[f] = _mm256_setzero_ps();
        sumRight[f] = _mm256_setzero_ps();
    }
#pragma GCC unroll 8
    for (int group = 0; group < SincTable::taps / 8; ++group) {
#pragma GCC unroll 4
        for (int f = 0; f < 4; ++f) {
            const float *row = points[f].row + 8 * group;
            const __m256 taps = _mm256_fmadd_ps(_mm256_loadu_ps(row + SincTable::taps), fraction[f], _mm256_loadu_ps(row));
            const std::size_t at = points[f].offset + 8 * group;
            sumLeft[f] = _mm256_fmadd_ps(_mm256_loadu_ps(left + at), taps, sumLeft[f]);
            sumRight[f] = _mm256_fmadd_ps(_mm256_loadu_ps(left + RightOffset + at), taps, sumRight[f]);
        }
    }
    // The halves of frame f's sums fold onto those of frame f + 2; then neighbouring partial
    // sums are added twice, which leaves l0 r0 l1 r1 | l2 r2 l3 r3.
    __m256 four = pairSum(pairSum(foldHalves(sumLeft[0], sumLeft[2]), foldHalves(sumRight[0], sumRight[2])),
                          pairSum(foldHalves(sumLeft[1], sumLeft[3]), foldHalves(sumRight[1], sumRight[3])));
    if constexpr (Add) {
        const __m256 sides = _mm256_setr_ps(gains.left, gains.right, gains.left, gains.right, gains.left, gains.right,
                                            gains.left, gains.right);
        four = _mm256_fmadd_ps(four, sides, _mm256_loadu_ps(frames));
    }
    _mm256_storeu_ps(frames, four);
}

// Eight interleaved 16-bit frames at a time: each frame read as one 32-bit word holds the
// left sample in its low half and the right in its high half.
__attribute__((target("avx2,fma"))) inline void convertAvx2(const std::int16_t *source, float *left, float *right,
                                                            std::size_t frames) noexcept
{
    for (std::size_t i = 0; i < frames; i += 8) {
        const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source + 2 * i));
        _mm256_storeu_ps(left + i, _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(words, 16), 16)));
        _mm256_storeu_ps(right + i, _mm256_cvtepi32_ps(_mm256_srai_epi32(words, 16)));
    }
}

#endif

template <bool Avx2>
__attribute__((always_inline)) inline void convert(const std::int16_t *source, float *left, float *right,
                                                   std::size_t frames) noexcept
{
#ifdef SONIVALE_HAVE_AVX2_PATH
    if constexpr (Avx2) {
        convertAvx2(source, left, right, frames);
        return;
    }
#endif
    convertGeneric(source, left, right, frames);
}

inline void convertParitiesGeneric(const std::int16_t *source, float *even, float *odd, std::size_t stride,
                                   std::size_t frames) noexcept
{
    for (std::size_t i = 0; i < frames; ++i) {
        float *parity = (i % 2 == 0 ? even : odd) + i / 2;
        parity[0] = static_cast<float>(source[2 * i]);
        parity[stride] = static_cast<float>(source[2 * i + 1]);
    }
}

#ifdef SONIVALE_HAVE_AVX2_PATH
// As convertAvx2, with the even frames and the odd ones apart: four of each from eight.
__attribute__((target("avx2,fma"))) inline void convertParitiesAvx2(const std::int16_t *source, float *even, float *odd,
                                                                    std::size_t stride, std::size_t frames) noexcept
{
    const __m256i evensFirst = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    for (std::size_t i = 0; i < frames; i += 8) {
        const __m256i words = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source + 2 * i)), evensFirst);
        const __m256 left = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(words, 16), 16));
        const __m256 right = _mm256_cvtepi32_ps(_mm256_srai_epi32(words, 16));
        _mm_storeu_ps(even + i / 2, _mm256_castps256_ps128(left));
        _mm_storeu_ps(odd + i / 2, _mm256_extractf128_ps(left, 1));
        _mm_storeu_ps(even + stride + i / 2, _mm256_castps256_ps128(right));
        _mm_storeu_ps(odd + stride + i / 2, _mm256_extractf128_ps(right, 1));
    }
}
#endif

// `frames` interleaved frames into each side's even and odd frames, a multiple of eight; each
// right side lies `stride` floats after its left.
template <bool Avx2>
__attribute__((always_inline)) inline void convertParities(const std::int16_t *source, float *even, float *odd,
                                                           std::size_t stride, std::size_t frames) noexcept
{
#ifdef SONIVALE_HAVE_AVX2_PATH
    if constexpr (Avx2) {
        convertParitiesAvx2(source, even, odd, stride, frames);
        return;
    }
#endif
    convertParitiesGeneric(source, even, odd, stride, frames);
}

template <bool Avx2, bool Add>
__attribute__((always_inline)) inline void convolve(const float *left, const float *right, const float *row, float t,
                                                    float *frame, Gains gains) noexcept
{
#ifdef SONIVALE_HAVE_AVX2_PATH
    if constexpr (Avx2) {
        convolveSplitAvx2<Add>(left, right, row, t, frame, gains);
        return;
    }
#endif
    convolveSplitGeneric<Add>(left, right, row, t, frame, gains);
}

}

SincResampler::SincResampler()
    : m_useAvx2(cpuHasAvx2())
{
}

void SincResampler::setSource(const std::int16_t *data, std::int64_t frames, Doubler::Kernel doubling)
{
    m_fastStepLimit = doubling == Doubler::Kernel::HalfBand ? halfBandStepLimit : fastStepLimit;
    m_frames = frames;
    m_loopLength = static_cast<std::uint64_t>(m_frames) << 32;
    m_data = data;
    // The kernels are worked out at their first use: here, not on the audio thread.
    SincTable::instance();
}

std::int64_t SincResampler::reach(std::size_t frames) const noexcept
{
    const std::uint64_t step = std::max(m_step, m_targetStep);
    // The stretched kernel's reach, the reading kernel's taps and the vector paths' rounding.
    constexpr std::int64_t beyond = SincTable::bandTaps / 2 * maximumStretch + SincTable::taps + 16;
    return static_cast<std::int64_t>((step * frames) >> 32) + 1 + beyond;
}

void SincResampler::setRate(double sourceHertz, int outputRate, bool glide) noexcept
{
    const auto target = static_cast<std::uint64_t>(std::llround(2.0 * sourceHertz / outputRate * 4294967296.0));
    if (target == m_targetStep)
        return;
    m_targetStep = target;
    if (!glide || m_step == 0) {
        m_step = target;
        m_glideLeft = 0;
        return;
    }
    m_glideLeft = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(glideSeconds * outputRate));
    m_stepChange = (static_cast<std::int64_t>(target) - static_cast<std::int64_t>(m_step)) / static_cast<std::int64_t>(m_glideLeft);
}

// The doubled copy's margin holds every window that a read position within the loop needs: a
// chunk converts its frames from a little before its position onwards, through the reading
// kernel at its fastest step or through a stretched kernel as far as the converted frames hold.
__attribute__((always_inline)) inline const std::int16_t *SincResampler::window(std::int64_t first) const noexcept
{
    constexpr std::uint64_t fastestStep = std::max(fastStepLimit, halfBandStepLimit);
    constexpr std::int64_t readingPast =
        static_cast<std::int64_t>((fastestStep * convertedFrames + unitStep - 1) >> 32) + SincTable::taps + 8 - leadFrames;
    static_assert(readingPast <= DoubledSound::margin && splitStride - 16 <= DoubledSound::margin);
    return m_data + 2 * first;
}

template <bool Add>
void SincResampler::stretched(std::uint64_t phase, std::uint64_t step, float *frame, Gains gains) const noexcept
{
    const SincTable &table = SincTable::instance();
    const float stretch = std::min(static_cast<float>(step) * fractionScale, static_cast<float>(maximumStretch));
    const auto whole = static_cast<std::int64_t>(phase >> 32);
    const float fraction = static_cast<float>(static_cast<std::uint32_t>(phase)) * fractionScale;
    const float reach = SincTable::bandTaps / 2.0f * stretch;
    const auto first = static_cast<std::int64_t>(std::floor(fraction - reach)) + 1;
    const auto last = static_cast<std::int64_t>(std::floor(fraction + reach));
    const std::int16_t *source = window(whole + first);
    const float inverse = 1.0f / stretch;
    const std::int64_t spacing = StretchedKernel::spacingFor(stretch);
    float left = 0.0f;
    float right = 0.0f;
    float total = 0.0f;
    for (std::int64_t j = first; j <= last; j += spacing) {
        const float c = table.kernel((fraction - static_cast<float>(j)) * inverse);
        left += c * static_cast<float>(source[2 * (j - first)]);
        right += c * static_cast<float>(source[2 * (j - first) + 1]);
        total += c;
    }
    deliver<Add>(left / total, right / total, frame, gains);
}

#ifdef SONIVALE_HAVE_AVX2_PATH
// The stretched kernel eight taps at a time: the taps' weights gathered from the finely
// sampled kernel, the frames' two sides split from the 32 bits that hold them. Lanes past the
// last tap, or outside the kernel, weigh nothing; the frames they load lie within the reach.
template <bool Add>
__attribute__((target("avx2,fma"))) void SincResampler::stretchedAvx2(std::uint64_t phase, std::uint64_t step,
                                                                      float *frame, Gains gains) const noexcept
{
    constexpr int edge = SincTable::bandTaps * SincTable::phases;
    const float stretch = std::min(static_cast<float>(step) * fractionScale, static_cast<float>(maximumStretch));
    const auto whole = static_cast<std::int64_t>(phase >> 32);
    const float fraction = static_cast<float>(static_cast<std::uint32_t>(phase)) * fractionScale;
    const float reach = SincTable::bandTaps / 2.0f * stretch;
    const auto first = static_cast<std::int64_t>(std::floor(fraction - reach)) + 1;
    const std::int64_t spacing = StretchedKernel::spacingFor(stretch);
    const std::int64_t count = (static_cast<std::int64_t>(std::floor(fraction + reach)) - first) / spacing + 1;
    const std::int16_t *source = window(whole + first);
    const float *prototype = SincTable::instance().prototype();
    // Tap k sits (fraction - first - spacing * k) / stretch kernel frames from the read position.
    const float scale = SincTable::phases / stretch;
    const __m256 origin = _mm256_set1_ps((fraction - static_cast<float>(first)) * scale + edge / 2.0f);
    // Read every other frame, eight taps come from two loads of eight frames, in this order.
    const __m256 lanes = spacing == 1 ? _mm256_setr_ps(0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f)
                                      : _mm256_setr_ps(0.0f, 1.0f, 4.0f, 5.0f, 2.0f, 3.0f, 6.0f, 7.0f);
    __m256 left = _mm256_setzero_ps();
    __m256 right = _mm256_setzero_ps();
    __m256 total = _mm256_setzero_ps();
    for (std::int64_t k = 0; k < count; k += 8) {
        const __m256 tap = _mm256_add_ps(_mm256_set1_ps(static_cast<float>(k)), lanes);
        const __m256 position = _mm256_fnmadd_ps(tap, _mm256_set1_ps(scale * static_cast<float>(spacing)), origin);
        const __m256 inside = _mm256_and_ps(
            _mm256_and_ps(_mm256_cmp_ps(position, _mm256_setzero_ps(), _CMP_GE_OQ),
                          _mm256_cmp_ps(position, _mm256_set1_ps(static_cast<float>(edge)), _CMP_LT_OQ)),
            _mm256_cmp_ps(tap, _mm256_set1_ps(static_cast<float>(count)), _CMP_LT_OQ));
        const __m256 held = _mm256_min_ps(_mm256_max_ps(position, _mm256_setzero_ps()), _mm256_set1_ps(edge - 1.0f));
        const __m256i index = _mm256_cvttps_epi32(held);
        const __m256 t = _mm256_sub_ps(held, _mm256_cvtepi32_ps(index));
        const __m256 a = _mm256_i32gather_ps(prototype, index, 4);
        const __m256 b = _mm256_i32gather_ps(prototype + 1, index, 4);
        const __m256 weight = _mm256_and_ps(_mm256_fmadd_ps(t, _mm256_sub_ps(b, a), a), inside);
        const std::int16_t *at = source + 2 * spacing * k;
        __m256i frames = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
        if (spacing == 2) {
            const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + 16));
            frames = _mm256_castps_si256(
                _mm256_shuffle_ps(_mm256_castsi256_ps(frames), _mm256_castsi256_ps(next), _MM_SHUFFLE(2, 0, 2, 0)));
        }
        left = _mm256_fmadd_ps(weight, _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(frames, 16), 16)), left);
        right = _mm256_fmadd_ps(weight, _mm256_cvtepi32_ps(_mm256_srai_epi32(frames, 16)), right);
        total = _mm256_add_ps(total, weight);
    }
    alignas(32) float sums[3][8];
    _mm256_store_ps(sums[0], left);
    _mm256_store_ps(sums[1], right);
    _mm256_store_ps(sums[2], total);
    float sum[3] = {};
    for (int which = 0; which < 3; ++which) {
        for (float lane : sums[which])
            sum[which] += lane;
    }
    deliver<Add>(sum[0] / sum[2], sum[1] / sum[2], frame, gains);
}
#endif

// A step that stays, past the reading kernel's, is read through its kernel tabulated once,
// from the frames that the chunk reads converted to float once: as many output frames as those
// frames fit the converted chunk, which are returned.
template <bool Avx2, bool Add>
__attribute__((always_inline)) inline std::size_t SincResampler::readStretched(float *stereo, std::size_t frames,
                                                                               Gains gains) noexcept
{
    const std::uint64_t step = m_step;
    if (!m_stretched.holds(step))
        m_stretched.build(step, std::min(static_cast<float>(step) * fractionScale, static_cast<float>(maximumStretch)));
    const std::int64_t spacing = m_stretched.spacing();
    const std::int64_t span = spacing * m_stretched.taps();
    const auto start = static_cast<std::uint32_t>(m_phase);
    // The converter writes whole vectors of eight frames, each parity half of them.
    constexpr std::int64_t room = splitStride - 16;
    const std::uint64_t fit = ((static_cast<std::uint64_t>(room - span) << 32) - start) / step + 1;
    frames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, fit));
    std::int64_t count = static_cast<std::int64_t>((start + step * (frames - 1)) >> 32) + span;
    count = (count + 7) & ~std::int64_t{7};
    const std::int16_t *source = window(static_cast<std::int64_t>(m_phase >> 32) + m_stretched.first());
    float *split = m_split.data();
    if (spacing == 1)
        convert<Avx2>(source, split, split + splitStride, static_cast<std::size_t>(count));
    else
        convertParities<Avx2>(source, split, split + splitStride / 2, splitStride, static_cast<std::size_t>(count));
    const auto *ahead = reinterpret_cast<const char *>(source + 2 * count);
    for (std::int64_t byte = 0; byte < 4 * count; byte += 64)
        __builtin_prefetch(ahead + byte);

    std::uint64_t local = start;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto offset = static_cast<std::size_t>(local >> 32);
        // Every other frame: those of the read frame's parity, from its half.
        const float *left = spacing == 1 ? split + offset : split + (offset % 2) * (splitStride / 2) + offset / 2;
        float sumLeft = 0.0f;
        float sumRight = 0.0f;
        m_stretched.weigh<Avx2>(left, left + splitStride, static_cast<std::uint32_t>(local), sumLeft, sumRight);
        deliver<Add>(sumLeft, sumRight, stereo + 2 * i, gains);
        local += step;
    }
    m_phase = (m_phase + (local - start)) % m_loopLength;
    return frames;
}

template <bool Avx2, bool Add>
__attribute__((always_inline)) inline void SincResampler::readFrames(float *stereo, std::size_t frames, Gains gains) noexcept
{
    while (frames > 0) {
        std::size_t chunk = std::min(frames, convertedFrames);
        const std::uint64_t largestStep = m_glideLeft != 0 ? std::max(m_step, m_targetStep) : m_step;
        if (largestStep <= m_fastStepLimit)
            readConverted<Avx2, Add>(stereo, chunk, largestStep, gains);
        else if (m_glideLeft == 0)
            chunk = readStretched<Avx2, Add>(stereo, chunk, gains);
        else
            readDirect<Avx2, Add>(stereo, chunk, gains);
        stereo += 2 * chunk;
        frames -= chunk;
    }
}

// The common case, a step the reading kernel serves: the frames that the whole chunk reads are
// converted to float once, rather than once for every output frame that reads them.
template <bool Avx2, bool Add>
__attribute__((always_inline)) inline void SincResampler::readConverted(float *stereo, std::size_t frames,
                                                                        std::uint64_t largestStep, Gains gains) noexcept
{
    const SincTable &table = SincTable::instance();
    const std::int64_t first = static_cast<std::int64_t>(m_phase >> 32) - leadFrames;
    const auto start = static_cast<std::uint32_t>(m_phase);
    std::int64_t count = static_cast<std::int64_t>((start + largestStep * frames) >> 32) + SincTable::taps + 1;
    count = (count + 7) & ~std::int64_t{7};
    const std::int16_t *source = window(first);
    convert<Avx2>(source, m_split.data(), m_split.data() + splitStride, static_cast<std::size_t>(count));
    // The next chunk's frames are fetched while this one is filtered. A channel's copy
    // streams from main memory, and in playback's short bursts, fourteen streams at once,
    // the processor's own prefetching has no time to learn them.
    const auto *ahead = reinterpret_cast<const char *>(source + 2 * count);
    for (std::int64_t byte = 0; byte < 4 * count; byte += 64)
        __builtin_prefetch(ahead + byte);

    const std::int64_t stepChange = m_stepChange;
    std::uint64_t step = m_step;
    std::uint32_t glideLeft = m_glideLeft;
    std::uint64_t local = start; // from frame `first + leadFrames`, not wrapped
    const auto nextPoint = [&]() {
        if (glideLeft != 0) {
            step = static_cast<std::uint64_t>(static_cast<std::int64_t>(step) + stepChange);
            if (--glideLeft == 0)
                step = m_targetStep;
        }
        const auto fraction = static_cast<std::uint32_t>(local);
        const ReadPoint point{table.row(static_cast<int>(fraction >> phaseShift)),
                              static_cast<float>(fraction & ((1u << phaseShift) - 1)) * (1.0f / (1u << phaseShift)),
                              static_cast<std::size_t>(local >> 32)};
        local += step;
        return point;
    };
    std::size_t i = 0;
#ifdef SONIVALE_HAVE_AVX2_PATH
    if constexpr (Avx2) {
        for (; i + 4 <= frames; i += 4) {
            const ReadPoint points[4] = {nextPoint(), nextPoint(), nextPoint(), nextPoint()};
            convolveFourAvx2<Add, splitStride>(m_split.data(), points, stereo + 2 * i, gains);
        }
    }
#endif
    for (; i < frames; ++i) {
        const ReadPoint point = nextPoint();
        const float *left = m_split.data() + point.offset;
        convolve<Avx2, Add>(left, left + splitStride, point.row, point.t, stereo + 2 * i, gains);
    }
    m_phase = (m_phase + (local - start)) % m_loopLength;
    m_step = step;
    m_glideLeft = glideLeft;
}

template <bool Avx2, bool Add>
__attribute__((always_inline)) inline void SincResampler::readDirect(float *stereo, std::size_t frames, Gains gains) noexcept
{
    const SincTable &table = SincTable::instance();
    const std::int64_t stepChange = m_stepChange;
    const std::uint64_t loopLength = m_loopLength;
    std::uint64_t phase = m_phase;
    std::uint64_t step = m_step;
    std::uint32_t glideLeft = m_glideLeft;
    for (std::size_t i = 0; i < frames; ++i) {
        if (glideLeft != 0) {
            step = static_cast<std::uint64_t>(static_cast<std::int64_t>(step) + stepChange);
            if (--glideLeft == 0)
                step = m_targetStep;
        }
        if (step <= m_fastStepLimit) {
            const auto whole = static_cast<std::int64_t>(phase >> 32);
            const auto fraction = static_cast<std::uint32_t>(phase);
            const float *row = table.row(static_cast<int>(fraction >> phaseShift));
            const float t = static_cast<float>(fraction & ((1u << phaseShift) - 1)) * (1.0f / (1u << phaseShift));
            float left[SincTable::taps];
            float right[SincTable::taps];
            convert<Avx2>(window(whole - leadFrames), left, right, SincTable::taps);
            convolve<Avx2, Add>(left, right, row, t, stereo + 2 * i, gains);
        } else {
#ifdef SONIVALE_HAVE_AVX2_PATH
            if constexpr (Avx2)
                stretchedAvx2<Add>(phase, step, stereo + 2 * i, gains);
            else
#endif
                stretched<Add>(phase, step, stereo + 2 * i, gains);
        }
        phase += step;
        if (phase >= loopLength)
            phase %= loopLength;
    }
    m_phase = phase;
    m_step = step;
    m_glideLeft = glideLeft;
}

#ifdef SONIVALE_HAVE_AVX2_PATH
template <bool Add>
__attribute__((target("avx2,fma"))) void SincResampler::readFramesAvx2(float *stereo, std::size_t frames, Gains gains) noexcept
{
    readFrames<true, Add>(stereo, frames, gains);
}
#else
template <bool Add>
void SincResampler::readFramesAvx2(float *stereo, std::size_t frames, Gains gains) noexcept
{
    readFrames<false, Add>(stereo, frames, gains);
}
#endif

template <bool Add>
void SincResampler::dispatch(float *stereo, std::size_t frames, Gains gains) noexcept
{
    if (m_useAvx2)
        readFramesAvx2<Add>(stereo, frames, gains);
    else
        readFrames<false, Add>(stereo, frames, gains);
}

void SincResampler::read(float *stereo, std::size_t frames) noexcept
{
    dispatch<false>(stereo, frames, {1.0f, 1.0f});
}

void SincResampler::addTo(float *stereo, std::size_t frames, float gainLeft, float gainRight) noexcept
{
    dispatch<true>(stereo, frames, {gainLeft, gainRight});
}
