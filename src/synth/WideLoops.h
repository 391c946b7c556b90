#pragma once

// Marks a function whose loops the compiler turns into vector operations: it is built twice,
// for every x86-64 processor and for those with AVX2 and FMA, eight floats to a vector
// instead of four, and the program picks one when it loads.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define WIDE_LOOPS __attribute__((target_clones("arch=haswell", "default")))
#else
#define WIDE_LOOPS
#endif
