#include "dsp/StretchedKernel.h"

#include "dsp/Simd.h"
#include "dsp/SincTable.h"

#include <cmath>

namespace {

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
    m_taps = (taps + 15) / 16 * 16;
    const float inverse = 1.0f / stretch;
    std::array<float, maximumTaps> previous{};
    for (int row = 0; row <= phases; ++row) {
        std::array<float, maximumTaps> weights{};
        const float at = static_cast<float>(row) / phases;
        float total = 0.0f;
        for (int k = 0; k < taps; ++k) {
            weights[static_cast<std::size_t>(k)] = table.kernel((at - static_cast<float>(m_first + m_spacing * k)) * inverse);
            total += weights[static_cast<std::size_t>(k)];
        }
        for (int k = 0; k < taps; ++k)
            weights[static_cast<std::size_t>(k)] /= total;
        if (row > 0) {
            float *rowStart = m_rows.data() + (row - 1) * 2 * m_taps;
            for (int k = 0; k < m_taps; ++k) {
                rowStart[k] = previous[static_cast<std::size_t>(k)];
                rowStart[m_taps + k] = weights[static_cast<std::size_t>(k)] - previous[static_cast<std::size_t>(k)];
            }
        }
        previous = weights;
    }
}

void StretchedKernel::weighGeneric(const float *sourceLeft, const float *sourceRight, std::uint32_t fraction,
                                   float &left, float &right) const noexcept
{
    const float position = static_cast<float>(fraction) * fractionScale * phases;
    const int row = std::min(static_cast<int>(position), phases - 1);
    const float t = position - static_cast<float>(row);
    const float *weights = m_rows.data() + row * 2 * m_taps;
    const float *changes = weights + m_taps;
    left = 0.0f;
    right = 0.0f;
    for (int k = 0; k < m_taps; ++k) {
        const float weight = weights[k] + t * changes[k];
        left += weight * sourceLeft[k];
        right += weight * sourceRight[k];
    }
}

#ifdef SONIVALE_HAVE_AVX2_PATH
__attribute__((target("avx2,fma"))) void StretchedKernel::weighAvx2(const float *sourceLeft, const float *sourceRight,
                                                                    std::uint32_t fraction, float &left,
                                                                    float &right) const noexcept
{
    const float position = static_cast<float>(fraction) * fractionScale * phases;
    const int row = std::min(static_cast<int>(position), phases - 1);
    const __m256 t = _mm256_set1_ps(position - static_cast<float>(row));
    const float *weights = m_rows.data() + row * 2 * m_taps;
    const float *changes = weights + m_taps;
    // Two sums a side, so that each multiply-add waits on one sixteen taps back.
    __m256 left0 = _mm256_setzero_ps();
    __m256 right0 = _mm256_setzero_ps();
    __m256 left1 = _mm256_setzero_ps();
    __m256 right1 = _mm256_setzero_ps();
    for (int k = 0; k < m_taps; k += 16) {
        const __m256 weight0 = _mm256_fmadd_ps(t, _mm256_load_ps(changes + k), _mm256_load_ps(weights + k));
        const __m256 weight1 = _mm256_fmadd_ps(t, _mm256_load_ps(changes + k + 8), _mm256_load_ps(weights + k + 8));
        left0 = _mm256_fmadd_ps(weight0, _mm256_loadu_ps(sourceLeft + k), left0);
        right0 = _mm256_fmadd_ps(weight0, _mm256_loadu_ps(sourceRight + k), right0);
        left1 = _mm256_fmadd_ps(weight1, _mm256_loadu_ps(sourceLeft + k + 8), left1);
        right1 = _mm256_fmadd_ps(weight1, _mm256_loadu_ps(sourceRight + k + 8), right1);
    }
    const __m128 both = sumEachSide(_mm256_add_ps(left0, left1), _mm256_add_ps(right0, right1));
    left = _mm_cvtss_f32(both);
    right = _mm_cvtss_f32(_mm_shuffle_ps(both, both, 1));
}
#else
void StretchedKernel::weighAvx2(const float *sourceLeft, const float *sourceRight, std::uint32_t fraction, float &left,
                                float &right) const noexcept
{
    weighGeneric(sourceLeft, sourceRight, fraction, left, right);
}
#endif
