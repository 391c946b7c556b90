#include "synth/FftwPlanner.h"

#include <map>
#include <memory>

std::mutex &FftwPlanner::lock()
{
    static std::mutex planner;
    return planner;
}

fftw_plan FftwPlanner::complexToReal(std::size_t frames)
{
    static std::map<std::size_t, fftw_plan> plans;
    const std::lock_guard guard(lock());
    fftw_plan &plan = plans[frames];
    if (!plan) {
        // FFTW_ESTIMATE keeps the algorithm, and so every rounding, the same on each run; it
        // leaves the arrays it is planned on untouched.
        const std::unique_ptr<fftw_complex[], FftwDeleter> spectrum(fftw_alloc_complex(frames / 2 + 1));
        const std::unique_ptr<double[], FftwDeleter> samples(fftw_alloc_real(frames));
        plan = fftw_plan_dft_c2r_1d(static_cast<int>(frames), spectrum.get(), samples.get(), FFTW_ESTIMATE);
    }
    return plan;
}
