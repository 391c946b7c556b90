#pragma once

#include <fftw3.h>

#include <cstddef>
#include <mutex>

// Frees what fftw_alloc_* gave.
struct FftwDeleter
{
    void operator()(void *memory) const { fftw_free(memory); }
};

// FFTW's planner is not thread-safe, and the sounds of several channels are made at once:
// every plan in the library is made and destroyed under this one lock.
class FftwPlanner
{
public:
    static std::mutex &lock();

    // A plan from `frames / 2 + 1` bins to `frames` real samples, made once for each size and
    // kept: the noise tables of every channel are the same few sizes, and making a plan costs
    // more than running it. Run it with fftw_execute_dft_c2r on arrays from fftw_alloc_*,
    // from any thread.
    static fftw_plan complexToReal(std::size_t frames);
};
