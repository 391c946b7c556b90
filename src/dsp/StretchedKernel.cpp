#include "dsp/StretchedKernel.h"

#include "dsp/Simd.h"
#include "dsp/SincTable.h"

#include <cmath>

namespace {

// Where tap k of a run of eight lies once the vector path has loaded every other frame: two
// loads of eight frames, their even frames picked in pairs from each half.
constexpr int loadedOrder[8] = {0, 1, 4, 5, 2, 3, 6, 7};

constexpr float fractionScale = 1.0f / 4294967296.0f;

}

void StretchedKernel::build(std::uint64_t step, float stretch) noexcept
{
    const SincTable &table = SincTable::instance();
    m_step = step;
    m_spacing = spacingFor(stretch);
    const float reach = SincTable::bandTaps / 2.0f * stretch;
    // Every frame that a read position within the frame may weigh: from just past one reach
    // before it to one reach after its end.
    m_first = static_cast<int>(std::floor(-reach)) + 1;
    const int last = static_cast<int>(std::floor(1.0f + reach));
    const int taps = (last - m_first) / m_spacing + 1;
    m_taps = (taps + 7) / 8 * 8;
    const float inverse = 1.0f / stretch;
    for (int row = 0; row <= phases; ++row) {
        float *weights = m_weights.data() + row * m_taps;
        const float at = static_cast<float>(row) / phases;
        float total = 0.0f;
        for (int k = 0; k < m_taps; ++k) {
            const float weight = k < taps ? table.kernel((at - static_cast<float>(m_first + m_spacing * k)) * inverse) : 0.0f;
            const int slot = m_spacing == 2 ? k / 8 * 8 + loadedOrder[k % 8] : k;
            weights[slot] = weight;
            total += weight;
        }
        for (int k = 0; k < m_taps; ++k)
            weights[k] /= total;
    }
}

void StretchedKernel::weighGeneric(const std::int16_t *source, std::uint32_t fraction, float &left, float &right) const noexcept
{
    const float position = static_cast<float>(fraction) * fractionScale * phases;
    const int row = std::min(static_cast<int>(position), phases - 1);
    const float t = position - static_cast<float>(row);
    const float *lower = m_weights.data() + row * m_taps;
    const float *upper = lower + m_taps;
    left = 0.0f;
    right = 0.0f;
    for (int k = 0; k < m_taps; ++k) {
        const int slot = m_spacing == 2 ? k / 8 * 8 + loadedOrder[k % 8] : k;
        const float weight = lower[slot] + t * (upper[slot] - lower[slot]);
        const std::int16_t *frame = source + 2 * m_spacing * k;
        left += weight * static_cast<float>(frame[0]);
        right += weight * static_cast<float>(frame[1]);
    }
}

#ifdef SONIVALE_HAVE_AVX2_PATH
__attribute__((target("avx2,fma"))) void StretchedKernel::weighAvx2(const std::int16_t *source, std::uint32_t fraction,
                                                                    float &left, float &right) const noexcept
{
    const float position = static_cast<float>(fraction) * fractionScale * phases;
    const int row = std::min(static_cast<int>(position), phases - 1);
    const __m256 t = _mm256_set1_ps(position - static_cast<float>(row));
    const float *lower = m_weights.data() + row * m_taps;
    const float *upper = lower + m_taps;
    __m256 sumLeft = _mm256_setzero_ps();
    __m256 sumRight = _mm256_setzero_ps();
    for (int k = 0; k < m_taps; k += 8) {
        const __m256 below = _mm256_load_ps(lower + k);
        const __m256 weight = _mm256_fmadd_ps(t, _mm256_sub_ps(_mm256_loadu_ps(upper + k), below), below);
        const std::int16_t *at = source + 2 * m_spacing * k;
        __m256i frames = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at));
        if (m_spacing == 2) {
            const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + 16));
            frames = _mm256_castps_si256(
                _mm256_shuffle_ps(_mm256_castsi256_ps(frames), _mm256_castsi256_ps(next), _MM_SHUFFLE(2, 0, 2, 0)));
        }
        // Each 32 bits hold a frame, its left side in the lower half.
        sumLeft = _mm256_fmadd_ps(weight, _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(frames, 16), 16)), sumLeft);
        sumRight = _mm256_fmadd_ps(weight, _mm256_cvtepi32_ps(_mm256_srai_epi32(frames, 16)), sumRight);
    }
    alignas(32) float lanes[2][8];
    _mm256_store_ps(lanes[0], sumLeft);
    _mm256_store_ps(lanes[1], sumRight);
    left = 0.0f;
    right = 0.0f;
    for (int lane = 0; lane < 8; ++lane) {
        left += lanes[0][lane];
        right += lanes[1][lane];
    }
}
#else
void StretchedKernel::weighAvx2(const std::int16_t *source, std::uint32_t fraction, float &left, float &right) const noexcept
{
    weighGeneric(source, fraction, left, right);
}
#endif
