#include "Spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace Spectrum {

namespace {

constexpr int lobeBins = 10;

double besselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 80; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

std::size_t binOf(const std::vector<double> &power, double sampleRate, double hertz)
{
    return static_cast<std::size_t>(std::clamp(std::lround(hertz / binHertz(power, sampleRate)), 0L,
                                               static_cast<long>(power.size()) - 1));
}

}

std::vector<double> power(const std::vector<float> &stereo, int channel, std::size_t first, std::size_t count)
{
    std::unique_ptr<double[], decltype(&fftw_free)> input(fftw_alloc_real(count), fftw_free);
    std::unique_ptr<fftw_complex[], decltype(&fftw_free)> output(fftw_alloc_complex(count / 2 + 1), fftw_free);
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(count), input.get(), output.get(), FFTW_ESTIMATE);
    constexpr double beta = 20.0;
    double windowPower = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double r = 2.0 * static_cast<double>(i) / static_cast<double>(count - 1) - 1.0;
        const double w = besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
        windowPower += w * w;
        input[i] = w * stereo[2 * (first + i) + static_cast<std::size_t>(channel)];
    }
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    std::vector<double> result(count / 2 + 1);
    for (std::size_t bin = 0; bin < result.size(); ++bin)
        result[bin] = 2.0 * (output[bin][0] * output[bin][0] + output[bin][1] * output[bin][1])
                      / (static_cast<double>(count) * windowPower);
    return result;
}

double binHertz(const std::vector<double> &power, double sampleRate)
{
    return sampleRate / (2.0 * static_cast<double>(power.size() - 1));
}

double bandPower(const std::vector<double> &power, double sampleRate, double low, double high, double excluded)
{
    const std::size_t skip = excluded >= 0.0 ? binOf(power, sampleRate, excluded) : power.size() + lobeBins + 1;
    double sum = 0.0;
    for (std::size_t bin = binOf(power, sampleRate, low); bin <= binOf(power, sampleRate, high); ++bin) {
        if (bin + lobeBins < skip || bin > skip + lobeBins)
            sum += power[bin];
    }
    return sum;
}

double tonePower(const std::vector<double> &power, double sampleRate, double hertz)
{
    const std::size_t centre = binOf(power, sampleRate, hertz);
    double sum = 0.0;
    for (std::size_t bin = centre > lobeBins ? centre - lobeBins : 0; bin <= std::min(centre + lobeBins, power.size() - 1); ++bin)
        sum += power[bin];
    return sum;
}

double largestComponent(const std::vector<double> &power, double sampleRate, double low, double high, double excluded)
{
    const std::size_t skip = binOf(power, sampleRate, excluded);
    double largest = 0.0;
    const std::size_t last = binOf(power, sampleRate, high);
    for (std::size_t bin = binOf(power, sampleRate, low); bin + 2 * lobeBins <= last; bin += lobeBins) {
        if (bin + 3 * lobeBins >= skip && bin <= skip + lobeBins)
            continue;
        double window = 0.0;
        for (std::size_t k = bin; k <= bin + 2 * lobeBins; ++k)
            window += power[k];
        largest = std::max(largest, window);
    }
    return largest;
}

double decibels(double powerRatio)
{
    return 10.0 * std::log10(std::max(powerRatio, 1e-30));
}

}
