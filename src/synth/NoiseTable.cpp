#include "synth/NoiseTable.h"

#include "synth/FftwPlanner.h"
#include "synth/Random.h"

#include <fftw3.h>

#include <cmath>
#include <complex>

NoiseTable::NoiseTable(const Response &magnitude, std::size_t frames, double sampleRate, Random &random)
    : NoiseTable(binsOf(magnitude, frames, sampleRate), random)
{
}

NoiseTable::NoiseTable(const Bins &bins, Random &random)
    : m_frames(2 * (bins.size() - 1))
    , m_left(shapedNoise(bins, random))
    , m_right(shapedNoise(bins, random))
{
}

NoiseTable::Bins NoiseTable::binsOf(const Response &magnitude, std::size_t frames, double sampleRate)
{
    Bins bins(frames / 2 + 1, 0.0);
    for (std::size_t bin = 1; bin + 1 < bins.size(); ++bin) {
        const double hertz = static_cast<double>(bin) * sampleRate / static_cast<double>(frames);
        if (hertz >= bandHertz)
            break;
        bins[bin] = magnitude(hertz);
    }
    return bins;
}

std::unique_ptr<float[]> NoiseTable::shapedNoise(const Response &magnitude, std::size_t frames, double sampleRate,
                                                 Random &random)
{
    return shapedNoise(binsOf(magnitude, frames, sampleRate), random);
}

std::unique_ptr<float[]> NoiseTable::shapedNoise(const Bins &amplitudes, Random &random)
{
    const std::size_t bins = amplitudes.size();
    const std::size_t frames = 2 * (bins - 1);
    std::unique_ptr<fftw_complex[], FftwDeleter> spectrum(fftw_alloc_complex(bins));
    std::unique_ptr<double[], FftwDeleter> samples(fftw_alloc_real(frames));
    spectrum[0][0] = spectrum[0][1] = 0.0;
    for (std::size_t bin = 1; bin < bins - 1; ++bin) {
        // Every bin draws its phase, silent or not, so that a table's noise does not depend
        // on where its band ends.
        const std::complex<double> value = amplitudes[bin] * random.phasor();
        spectrum[bin][0] = value.real();
        spectrum[bin][1] = value.imag();
    }
    spectrum[bins - 1][0] = spectrum[bins - 1][1] = 0.0;
    fftw_execute_dft_c2r(FftwPlanner::complexToReal(frames), spectrum.get(), samples.get());
    double energy = 0.0;
    for (std::size_t i = 0; i < frames; ++i)
        energy += samples[i] * samples[i];
    const double scale = energy > 0.0 ? 1.0 / std::sqrt(energy / static_cast<double>(frames)) : 0.0;
    auto result = std::make_unique_for_overwrite<float[]>(frames);
    for (std::size_t i = 0; i < frames; ++i)
        result[i] = static_cast<float>(samples[i] * scale);
    return result;
}

double NoiseTable::power(const Response &magnitude, double sampleRate)
{
    constexpr int steps = 4096;
    double sum = 0.0;
    for (int step = 0; step < steps; ++step) {
        const double gain = magnitude((step + 0.5) / steps * sampleRate / 2.0);
        sum += gain * gain;
    }
    return sum / steps;
}
