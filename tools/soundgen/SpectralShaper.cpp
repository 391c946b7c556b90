#include "SpectralShaper.h"

#include "synth/Random.h"
#include "StereoLoop.h"

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <memory>

namespace {

struct FftwDeleter
{
    void operator()(void *memory) const { fftw_free(memory); }
};

using ComplexBuffer = std::unique_ptr<fftw_complex[], FftwDeleter>;
using RealBuffer = std::unique_ptr<double[], FftwDeleter>;

constexpr std::size_t kBins = StereoLoop::kFrames / 2 + 1;

double binFrequency(std::size_t bin)
{
    return static_cast<double>(bin) * StereoLoop::kSampleRate / static_cast<double>(StereoLoop::kFrames);
}

// FFTW_ESTIMATE keeps the chosen algorithm, and so every rounding, the same on each run.
void toTime(fftw_complex *spectrum, double *samples)
{
    fftw_plan plan = fftw_plan_dft_c2r_1d(static_cast<int>(StereoLoop::kFrames), spectrum, samples, FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
}

void toFrequency(double *samples, fftw_complex *spectrum)
{
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(StereoLoop::kFrames), samples, spectrum, FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
}

std::vector<float> unitRms(const double *samples)
{
    double energy = 0.0;
    for (std::size_t i = 0; i < StereoLoop::kFrames; ++i)
        energy += samples[i] * samples[i];
    const double scale = energy > 0.0 ? 1.0 / std::sqrt(energy / static_cast<double>(StereoLoop::kFrames)) : 0.0;
    std::vector<float> result(StereoLoop::kFrames);
    for (std::size_t i = 0; i < StereoLoop::kFrames; ++i)
        result[i] = static_cast<float>(samples[i] * scale);
    return result;
}

}

std::vector<float> SpectralShaper::noise(const Response &magnitude, Random &random)
{
    ComplexBuffer spectrum(fftw_alloc_complex(kBins));
    RealBuffer samples(fftw_alloc_real(StereoLoop::kFrames));
    spectrum[0][0] = spectrum[0][1] = 0.0;
    for (std::size_t bin = 1; bin < kBins - 1; ++bin) {
        const std::complex<double> value = std::polar(magnitude(binFrequency(bin)), random.phase());
        spectrum[bin][0] = value.real();
        spectrum[bin][1] = value.imag();
    }
    spectrum[kBins - 1][0] = spectrum[kBins - 1][1] = 0.0;
    toTime(spectrum.get(), samples.get());
    return unitRms(samples.get());
}

void SpectralShaper::addStereoNoise(StereoLoop &loop, const Response &magnitude, double gain, Random &random)
{
    const std::vector<float> left = noise(magnitude, random);
    const std::vector<float> right = noise(magnitude, random);
    loop.addBed(left, right, gain);
}

void SpectralShaper::filter(std::vector<float> &signal, const Response &magnitude)
{
    ComplexBuffer spectrum(fftw_alloc_complex(kBins));
    RealBuffer samples(fftw_alloc_real(StereoLoop::kFrames));
    for (std::size_t i = 0; i < StereoLoop::kFrames; ++i)
        samples[i] = signal[i];
    toFrequency(samples.get(), spectrum.get());
    const double scale = 1.0 / static_cast<double>(StereoLoop::kFrames);
    for (std::size_t bin = 0; bin < kBins; ++bin) {
        const double gain = bin == 0 ? 0.0 : magnitude(binFrequency(bin)) * scale;
        spectrum[bin][0] *= gain;
        spectrum[bin][1] *= gain;
    }
    toTime(spectrum.get(), samples.get());
    for (std::size_t i = 0; i < StereoLoop::kFrames; ++i)
        signal[i] = static_cast<float>(samples[i]);
}

std::vector<float> SpectralShaper::slowCurve(double maxHertz, Random &random)
{
    return noise([maxHertz](double hertz) { return hertz <= maxHertz ? 1.0 / std::sqrt(hertz) : 0.0; }, random);
}
