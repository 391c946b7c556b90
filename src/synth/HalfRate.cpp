#include "synth/HalfRate.h"

#include "synth/FftwPlanner.h"

#include <fftw3.h>

#include <complex>
#include <memory>
#include <mutex>

namespace {

fftw_plan plan(std::size_t size, double *samples, fftw_complex *spectrum, bool forward)
{
    const std::lock_guard guard(FftwPlanner::lock());
    return forward ? fftw_plan_dft_r2c_1d(static_cast<int>(size), samples, spectrum, FFTW_ESTIMATE)
                   : fftw_plan_dft_c2r_1d(static_cast<int>(size), spectrum, samples, FFTW_ESTIMATE);
}

void run(fftw_plan plan)
{
    fftw_execute(plan);
    const std::lock_guard guard(FftwPlanner::lock());
    fftw_destroy_plan(plan);
}

}

std::vector<float> HalfRate::halve(const std::vector<float> &doubled)
{
    // Room after the stretch, so that what rings past one end does not wrap onto the other.
    std::size_t size = 1;
    while (size < doubled.size() + 8192)
        size *= 2;
    std::unique_ptr<double[], FftwDeleter> samples(fftw_alloc_real(size));
    std::unique_ptr<fftw_complex[], FftwDeleter> spectrum(fftw_alloc_complex(size / 2 + 1));
    for (std::size_t i = 0; i < size; ++i)
        samples[i] = i < doubled.size() ? doubled[i] : 0.0;
    run(plan(size, samples.get(), spectrum.get(), true));
    // The lower half of the spectrum is the whole spectrum at half the rate; its top bin,
    // the new Nyquist frequency, is kept real.
    const std::size_t half = size / 2;
    std::unique_ptr<double[], FftwDeleter> halved(fftw_alloc_real(half));
    spectrum[half / 2][1] = 0.0;
    run(plan(half, halved.get(), spectrum.get(), false));
    std::vector<float> result(doubled.size() / 2);
    const double scale = 1.0 / static_cast<double>(size);
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<float>(halved[i] * scale);
    return result;
}
