#pragma once

#include <cmath>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The largest magnitude among `count` samples, four at a time: the compiler does not turn a
// floating-point maximum into vector operations on its own, as NaNs would order differently.
inline float loudestOf(const float *samples, std::size_t count) noexcept
{
    std::size_t i = 0;
    float loudest = 0.0f;
#if defined(__SSE2__)
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 most = _mm_setzero_ps();
    for (; i + 4 <= count; i += 4)
        most = _mm_max_ps(most, _mm_and_ps(_mm_loadu_ps(samples + i), magnitude));
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, most);
    loudest = std::fmax(std::fmax(lanes[0], lanes[1]), std::fmax(lanes[2], lanes[3]));
#endif
    for (; i < count; ++i)
        loudest = std::fmax(loudest, std::fabs(samples[i]));
    return loudest;
}
