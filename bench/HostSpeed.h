#pragma once

// How fast this core runs for this thread right now, so that a CPU-time figure from a
// shared or virtual machine can be read against the machine's own speed: a guest whose
// core is shared with others is charged CPU time while it waits for it.

#include <cstdint>
#include <cstdio>
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
//
// The adds are written out, sixteen to a loop that starts on a cache line of its own: a loop
// left to the compiler lands wherever the program's other code puts it, and how it then
// straddles the processor's instruction cache lines changed this figure by a third between
// two builds that differed only in unrelated code.
inline double gigaAddsPerCpuSecond(std::uint64_t adds = 200'000'000)
{
    constexpr std::uint64_t addsPerLoop = 16;
    std::uint64_t loops = adds / addsPerLoop;
    std::uint64_t value = 0;
    const double start = threadCpuSeconds();
#if defined(__x86_64__)
    asm volatile(".p2align 6\n"
                 "1:\n"
                 ".rept 16\n"
                 "addq $1, %0\n"
                 ".endr\n"
                 "decq %1\n"
                 "jnz 1b\n"
                 : "+r"(value), "+r"(loops)
                 :
                 : "cc");
#else
    for (std::uint64_t i = 0; i < loops * addsPerLoop; ++i) {
        value += i;
        // Keeps each add in the chain, one cycle apart, instead of folded away.
        asm volatile("" : "+r"(value));
    }
#endif
    return static_cast<double>(adds / addsPerLoop * addsPerLoop) / (threadCpuSeconds() - start) * 1e-9;
}

// Independent adds per clock cycle, in four chains: up to four on a core this thread has to
// itself. A figure well below that means a thread on the core's other half is taking its
// share: the thread was given its clock but not its core, and CPU-time figures taken
// meanwhile run high (by up to half on these machines) for reasons of the host's, not ours.
// 0 where it cannot be measured.
inline double addsPerCycle(std::uint64_t adds = 80'000'000)
{
    const double clock = gigaAddsPerCpuSecond(adds / 4);
#if defined(__x86_64__)
    std::uint64_t loops = adds / 16;
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    std::uint64_t c = 0;
    std::uint64_t d = 0;
    const double start = threadCpuSeconds();
    asm volatile(".p2align 6\n"
                 "1:\n"
                 ".rept 4\n"
                 "addq $1, %0\n"
                 "addq $1, %1\n"
                 "addq $1, %2\n"
                 "addq $1, %3\n"
                 ".endr\n"
                 "decq %4\n"
                 "jnz 1b\n"
                 : "+r"(a), "+r"(b), "+r"(c), "+r"(d), "+r"(loops)
                 :
                 : "cc");
    return static_cast<double>(adds / 16 * 16) / (threadCpuSeconds() - start) * 1e-9 / clock;
#else
    (void)clock;
    return 0.0;
#endif
}

// Prints how much of its core the thread had before and after a measurement.
inline void printCoreShare(double before, double after, const char *indent = "")
{
    std::printf("%sindependent adds a cycle: %.1f before, %.1f after (4 with the core to itself; less, and a "
                "neighbour on the host shared it)\n",
                indent, before, after);
}

}
