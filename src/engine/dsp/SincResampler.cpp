#include "engine/dsp/SincResampler.h"

#include "engine/SoundData.h"
#include "engine/dsp/SincTable.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SONIVALE_HAVE_AVX2_PATH 1
#endif

namespace {

constexpr std::uint64_t unitStep = std::uint64_t{1} << 32;
constexpr float fractionScale = 1.0f / 4294967296.0f;
constexpr double glideSeconds = 0.02;
constexpr int phaseShift = 32 - 7; // log2(SincTable::phases) == 7
static_assert(SincTable::phases == 1 << 7);
static_assert(SincTable::taps % 8 == 0);
constexpr int leadFrames = SincTable::taps / 2 - 1;

inline void convolveGeneric(const std::int16_t *source, const float *row, float t, float *frame) noexcept
{
    float left = 0.0f;
    float right = 0.0f;
    for (int k = 0; k < SincTable::taps; ++k) {
        const int stored = (k & ~7) | SincTable::storedPosition[k & 7];
        const float c = row[stored] + t * row[SincTable::taps + stored];
        left += c * static_cast<float>(source[2 * k]);
        right += c * static_cast<float>(source[2 * k + 1]);
    }
    frame[0] = left;
    frame[1] = right;
}

inline void convolveConvertedGeneric(const float *source, const float *row, float t, float *frame) noexcept
{
    float left = 0.0f;
    float right = 0.0f;
    for (int k = 0; k < SincTable::taps; ++k) {
        const int stored = (k & ~7) | SincTable::storedPosition[k & 7];
        const float c = row[stored] + t * row[SincTable::taps + stored];
        left += c * source[2 * k];
        right += c * source[2 * k + 1];
    }
    frame[0] = left;
    frame[1] = right;
}

inline void convertGeneric(const std::int16_t *source, float *converted, std::size_t samples) noexcept
{
    for (std::size_t i = 0; i < samples; ++i)
        converted[i] = static_cast<float>(source[i]);
}

#ifdef SONIVALE_HAVE_AVX2_PATH
__attribute__((target("avx2,fma"))) inline void convolveConvertedAvx2(const float *source, const float *row, float t,
                                                                      float *frame) noexcept
{
    const __m256 fraction = _mm256_set1_ps(t);
    // Four sums side by side keep the chain of dependent multiply-adds short, so the work
    // of neighbouring frames overlaps.
    __m256 sums[4] = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
#pragma GCC unroll 8
    for (int group = 0; group < SincTable::taps / 8; ++group) {
        const __m256 taps = _mm256_fmadd_ps(_mm256_loadu_ps(row + SincTable::taps + 8 * group), fraction,
                                            _mm256_loadu_ps(row + 8 * group));
        __m256 &early = sums[(2 * group) % 4];
        __m256 &late = sums[(2 * group + 1) % 4];
        early = _mm256_fmadd_ps(_mm256_loadu_ps(source + 16 * group), _mm256_unpacklo_ps(taps, taps), early);
        late = _mm256_fmadd_ps(_mm256_loadu_ps(source + 16 * group + 8), _mm256_unpackhi_ps(taps, taps), late);
    }
    const __m256 sum = _mm256_add_ps(_mm256_add_ps(sums[0], sums[1]), _mm256_add_ps(sums[2], sums[3]));
    __m128 half = _mm_add_ps(_mm256_castps256_ps128(sum), _mm256_extractf128_ps(sum, 1));
    half = _mm_add_ps(half, _mm_movehl_ps(half, half));
    _mm_storel_pi(reinterpret_cast<__m64 *>(frame), half);
}

__attribute__((target("avx2,fma"))) inline void convertAvx2(const std::int16_t *source, float *converted,
                                                            std::size_t samples) noexcept
{
    for (std::size_t i = 0; i < samples; i += 8)
        _mm256_storeu_ps(converted + i, _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(
                                            _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + i)))));
}

__attribute__((target("avx2,fma"))) inline void convolveAvx2(const std::int16_t *source, const float *row, float t,
                                                             float *frame) noexcept
{
    const __m256 fraction = _mm256_set1_ps(t);
    // Four sums side by side keep the chain of dependent multiply-adds short, so the work
    // of neighbouring frames overlaps.
    __m256 sums[4] = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
#pragma GCC unroll 8
    for (int group = 0; group < SincTable::taps / 8; ++group) {
        const __m256 taps = _mm256_fmadd_ps(_mm256_loadu_ps(row + SincTable::taps + 8 * group), fraction,
                                            _mm256_loadu_ps(row + 8 * group));
        const __m256 first = _mm256_cvtepi32_ps(
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(source + 16 * group))));
        const __m256 second = _mm256_cvtepi32_ps(
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(source + 16 * group + 8))));
        __m256 &early = sums[(2 * group) % 4];
        __m256 &late = sums[(2 * group + 1) % 4];
        early = _mm256_fmadd_ps(first, _mm256_unpacklo_ps(taps, taps), early);
        late = _mm256_fmadd_ps(second, _mm256_unpackhi_ps(taps, taps), late);
    }
    const __m256 sum = _mm256_add_ps(_mm256_add_ps(sums[0], sums[1]), _mm256_add_ps(sums[2], sums[3]));
    __m128 half = _mm_add_ps(_mm256_castps256_ps128(sum), _mm256_extractf128_ps(sum, 1));
    half = _mm_add_ps(half, _mm_movehl_ps(half, half));
    _mm_storel_pi(reinterpret_cast<__m64 *>(frame), half);
}

bool cpuHasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#endif

}

SincResampler::SincResampler(const SoundData &sound)
    : m_data(sound.frameData())
    , m_frames(static_cast<std::int64_t>(sound.frames()))
    , m_loopLength(static_cast<std::uint64_t>(sound.frames()) << 32)
    , m_seamReach(std::max<std::int64_t>(SincTable::taps * maximumStretch / 2, (convertedFrames + SincTable::taps) / 2) + 4)
#ifdef SONIVALE_HAVE_AVX2_PATH
    , m_useAvx2(cpuHasAvx2())
#else
    , m_useAvx2(false)
#endif
{
    SincTable::instance();
    // Frames from m_seamReach * 2 before the loop point to as many after it, wrapped.
    const std::int64_t span = 4 * m_seamReach;
    m_seam.resize(static_cast<std::size_t>(span) * 2);
    for (std::int64_t v = 0; v < span; ++v) {
        const std::int64_t frame = ((m_frames - 2 * m_seamReach + v) % m_frames + m_frames) % m_frames;
        m_seam[static_cast<std::size_t>(2 * v)] = m_data[2 * frame];
        m_seam[static_cast<std::size_t>(2 * v + 1)] = m_data[2 * frame + 1];
    }
}

void SincResampler::setRate(int sourceHertz, int outputRate, bool glide) noexcept
{
    const auto target = static_cast<std::uint64_t>(std::llround(static_cast<double>(sourceHertz) / outputRate * 4294967296.0));
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

__attribute__((always_inline)) inline const std::int16_t *SincResampler::window(std::int64_t first, std::int64_t count) const noexcept
{
    if (first >= 0 && first + count <= m_frames)
        return m_data + 2 * first;
    // The seam copy starts 2 * m_seamReach frames before the loop point.
    const std::int64_t virtualFirst = first < 0 ? first + m_frames : first;
    return m_seam.data() + 2 * (virtualFirst - (m_frames - 2 * m_seamReach));
}

void SincResampler::stretched(std::uint64_t phase, std::uint64_t step, float *frame) const noexcept
{
    const SincTable &table = SincTable::instance();
    const float stretch = std::min(static_cast<float>(step) * fractionScale, static_cast<float>(maximumStretch));
    const auto whole = static_cast<std::int64_t>(phase >> 32);
    const float fraction = static_cast<float>(static_cast<std::uint32_t>(phase)) * fractionScale;
    const float reach = SincTable::taps / 2.0f * stretch;
    const auto first = static_cast<std::int64_t>(std::floor(fraction - reach)) + 1;
    const auto last = static_cast<std::int64_t>(std::floor(fraction + reach));
    const std::int16_t *source = window(whole + first, last - first + 1);
    const float inverse = 1.0f / stretch;
    float left = 0.0f;
    float right = 0.0f;
    float total = 0.0f;
    for (std::int64_t j = first; j <= last; ++j) {
        const float c = table.kernel((fraction - static_cast<float>(j)) * inverse);
        left += c * static_cast<float>(source[2 * (j - first)]);
        right += c * static_cast<float>(source[2 * (j - first) + 1]);
        total += c;
    }
    frame[0] = left / total;
    frame[1] = right / total;
}

template <bool Avx2>
__attribute__((always_inline)) inline void SincResampler::readFrames(float *stereo, std::size_t frames) noexcept
{
    while (frames > 0) {
        const std::size_t chunk = std::min(frames, convertedFrames);
        const std::uint64_t largestStep = m_glideLeft != 0 ? std::max(m_step, m_targetStep) : m_step;
        if (largestStep <= unitStep)
            readConverted<Avx2>(stereo, chunk, largestStep);
        else
            readDirect<Avx2>(stereo, chunk);
        stereo += 2 * chunk;
        frames -= chunk;
    }
}

// The common case, a step of at most one: the frames that the whole chunk reads are
// converted to float once, rather than once for every output frame that reads them.
template <bool Avx2>
__attribute__((always_inline)) inline void SincResampler::readConverted(float *stereo, std::size_t frames,
                                                                        std::uint64_t largestStep) noexcept
{
    const SincTable &table = SincTable::instance();
    const std::int64_t first = static_cast<std::int64_t>(m_phase >> 32) - leadFrames;
    const auto start = static_cast<std::uint32_t>(m_phase);
    std::int64_t count = static_cast<std::int64_t>((start + largestStep * frames) >> 32) + SincTable::taps + 1;
    count = (count + 3) & ~std::int64_t{3};
    const std::int16_t *source = window(first, count);
#ifdef SONIVALE_HAVE_AVX2_PATH
    if constexpr (Avx2)
        convertAvx2(source, m_converted.data(), static_cast<std::size_t>(2 * count));
    else
#endif
        convertGeneric(source, m_converted.data(), static_cast<std::size_t>(2 * count));

    const std::int64_t stepChange = m_stepChange;
    std::uint64_t step = m_step;
    std::uint32_t glideLeft = m_glideLeft;
    std::uint64_t local = start; // from frame `first + leadFrames`, not wrapped
    for (std::size_t i = 0; i < frames; ++i) {
        if (glideLeft != 0) {
            step = static_cast<std::uint64_t>(static_cast<std::int64_t>(step) + stepChange);
            if (--glideLeft == 0)
                step = m_targetStep;
        }
        const auto fraction = static_cast<std::uint32_t>(local);
        const float *row = table.row(static_cast<int>(fraction >> phaseShift));
        const float t = static_cast<float>(fraction & ((1u << phaseShift) - 1)) * (1.0f / (1u << phaseShift));
        const float *frameSource = m_converted.data() + 2 * (local >> 32);
#ifdef SONIVALE_HAVE_AVX2_PATH
        if constexpr (Avx2)
            convolveConvertedAvx2(frameSource, row, t, stereo + 2 * i);
        else
#endif
            convolveConvertedGeneric(frameSource, row, t, stereo + 2 * i);
        local += step;
    }
    m_phase = (m_phase + (local - start)) % m_loopLength;
    m_step = step;
    m_glideLeft = glideLeft;
}

template <bool Avx2>
__attribute__((always_inline)) inline void SincResampler::readDirect(float *stereo, std::size_t frames) noexcept
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
        if (step <= unitStep) {
            const auto whole = static_cast<std::int64_t>(phase >> 32);
            const auto fraction = static_cast<std::uint32_t>(phase);
            const float *row = table.row(static_cast<int>(fraction >> phaseShift));
            const float t = static_cast<float>(fraction & ((1u << phaseShift) - 1)) * (1.0f / (1u << phaseShift));
            const std::int16_t *source = window(whole - leadFrames, SincTable::taps);
#ifdef SONIVALE_HAVE_AVX2_PATH
            if constexpr (Avx2)
                convolveAvx2(source, row, t, stereo + 2 * i);
            else
#endif
                convolveGeneric(source, row, t, stereo + 2 * i);
        } else {
            stretched(phase, step, stereo + 2 * i);
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
__attribute__((target("avx2,fma"))) void SincResampler::readFramesAvx2(float *stereo, std::size_t frames) noexcept
{
    readFrames<true>(stereo, frames);
}
#else
void SincResampler::readFramesAvx2(float *stereo, std::size_t frames) noexcept
{
    readFrames<false>(stereo, frames);
}
#endif

void SincResampler::readFramesGeneric(float *stereo, std::size_t frames) noexcept
{
    readFrames<false>(stereo, frames);
}

void SincResampler::read(float *stereo, std::size_t frames) noexcept
{
    if (m_useAvx2)
        readFramesAvx2(stereo, frames);
    else
        readFramesGeneric(stereo, frames);
}
