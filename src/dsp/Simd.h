#pragma once

// The vector paths of the signal code: compiled for AVX2 and FMA where the compiler targets
// x86, taken only when the processor running the program has them.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SONIVALE_HAVE_AVX2_PATH 1
#endif

// True when the AVX2 and FMA paths may run here. Any thread; cheap after the first call.
bool cpuHasAvx2();
