#pragma once

// How fast this core runs for this thread right now, so that a CPU-time figure from a
// shared or virtual machine can be read against the machine's own speed: a guest whose
// core is shared with others is charged CPU time while it waits for it.

#include <cstdint>
#include <ctime>

namespace HostSpeed {

inline double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Dependent integer adds per CPU-second, in billions: one add per clock cycle on any
// processor of the last twenty years, so this is the clock rate the thread was given. Fewer
// adds give a quicker sample, for bracketing short rounds.
inline double gigaAddsPerCpuSecond(std::uint64_t adds = 200'000'000)
{
    std::uint64_t value = 0;
    const double start = threadCpuSeconds();
    for (std::uint64_t i = 0; i < adds; ++i) {
        value += i;
        // Keeps each add in the chain, one cycle apart, instead of folded away.
        asm volatile("" : "+r"(value));
    }
    return static_cast<double>(adds) / (threadCpuSeconds() - start) * 1e-9;
}

}
