#pragma once

#include <cstddef>
#include <cstdint>

// Marks a function whose loops the compiler turns into vector operations: it is built twice,
// for every x86-64 processor and for those with AVX2 and FMA, eight floats to a vector
// instead of four, and the program picks one when it loads. The wide build is named by the
// instruction set level, which the loader checks feature by feature; a processor's name
// ("arch=haswell") is checked as that very model, which no later processor and no AMD one is.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define WIDE_LOOPS __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define WIDE_LOOPS
#endif

// A loop's index as a float, through a 32-bit integer: vector instructions convert those,
// while a 64-bit index converted directly keeps the whole loop one frame at a time.
inline float frameAt(std::size_t index) noexcept
{
    return static_cast<float>(static_cast<std::int32_t>(index));
}
