#pragma once

// The vector paths of the signal code: compiled for AVX2 and FMA where the compiler targets
// x86, taken only when the processor running the program has them.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SONIVALE_HAVE_AVX2_PATH 1
#endif

// True when the AVX2 and FMA paths may run here. Any thread; cheap after the first call.
bool cpuHasAvx2();

#ifdef SONIVALE_HAVE_AVX2_PATH
// The eight lanes of `left` summed and those of `right`, as left, right, left, right: the
// pairs, then the halves, then left and right.
__attribute__((target("avx2,fma"))) inline __m128 sumEachSide(__m256 left, __m256 right) noexcept
{
    const __m256 pairs = _mm256_hadd_ps(left, right);
    const __m128 quads = _mm_add_ps(_mm256_castps256_ps128(pairs), _mm256_extractf128_ps(pairs, 1));
    return _mm_hadd_ps(quads, quads);
}
#endif
