#include "LiveRender.h"

#include "synth/HalfRate.h"
#include "synth/LiveSound.h"
#include "synth/LiveSounds.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numeric>

LiveRender::Stereo LiveRender::render(std::string_view name, double seconds, std::uint64_t seed)
{
    const std::unique_ptr<LiveSound> sound = LiveSounds::make(name, seed);
    if (!sound)
        return {};
    const bool doubled = sound->rate() == LiveSound::doubledRate;
    const auto frames = static_cast<std::size_t>(seconds * sound->rate());
    Stereo out{std::vector<float>(frames), std::vector<float>(frames)};
    constexpr std::size_t block = 441;
    for (std::size_t first = 0; first < frames; first += block)
        sound->generate(out.left.data() + first, out.right.data() + first, std::min(block, frames - first));
    if (doubled)
        out = {HalfRate::halve(out.left), HalfRate::halve(out.right)};
    return out;
}

double LiveRender::largestEarlierCorrelation(const std::vector<float> &signal, std::size_t first, std::size_t count)
{
    std::size_t size = 1;
    while (size < first + count)
        size *= 2;
    std::vector<double> earlier(size, 0.0);
    std::vector<double> stretch(size, 0.0);
    std::copy(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(first + count - 1), earlier.begin());
    std::copy_n(signal.begin() + static_cast<std::ptrdiff_t>(first), count, stretch.begin());
    std::vector<std::complex<double>> a(size / 2 + 1);
    std::vector<std::complex<double>> b(size / 2 + 1);
    fftw_plan forwardA = fftw_plan_dft_r2c_1d(static_cast<int>(size), earlier.data(), reinterpret_cast<fftw_complex *>(a.data()), FFTW_ESTIMATE);
    fftw_plan forwardB = fftw_plan_dft_r2c_1d(static_cast<int>(size), stretch.data(), reinterpret_cast<fftw_complex *>(b.data()), FFTW_ESTIMATE);
    fftw_execute(forwardA);
    fftw_execute(forwardB);
    for (std::size_t bin = 0; bin < a.size(); ++bin)
        a[bin] *= std::conj(b[bin]);
    std::vector<double> product(size);
    fftw_plan back = fftw_plan_dft_c2r_1d(static_cast<int>(size), reinterpret_cast<fftw_complex *>(a.data()), product.data(), FFTW_ESTIMATE);
    fftw_execute(back);
    for (fftw_plan plan : {forwardA, forwardB, back})
        fftw_destroy_plan(plan);

    std::vector<double> energy(first + count, 0.0);
    for (std::size_t i = 0; i + 1 < energy.size(); ++i)
        energy[i + 1] = energy[i] + static_cast<double>(signal[i]) * signal[i];
    const double own = std::inner_product(stretch.begin(), stretch.begin() + static_cast<std::ptrdiff_t>(count), stretch.begin(), 0.0);
    double largest = 0.0;
    for (std::size_t lag = 0; lag + count <= first; ++lag) {
        const double there = energy[lag + count] - energy[lag];
        if (there > 0.0)
            largest = std::max(largest, product[lag] / static_cast<double>(size) / std::sqrt(own * there));
    }
    return largest;
}
