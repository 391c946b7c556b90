#include "dsp/Simd.h"

bool cpuHasAvx2()
{
#ifdef SONIVALE_HAVE_AVX2_PATH
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return has;
#else
    return false;
#endif
}
