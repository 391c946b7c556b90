#include "dsp/SincTable.h"

#include <cmath>
#include <numbers>

namespace {

// Cycles per frame, and the window's shape, of the band and doubling kernels (of the sound's
// frames) and of the reading kernel (of the doubled copy's).
constexpr double bandCutoff = 0.458;
constexpr double bandBeta = 8.3;
constexpr double doublingCutoff = 0.47;
constexpr double doublingBeta = 10.0;
constexpr double halfBandCutoff = 0.5;
constexpr double halfBandBeta = 9.0;
constexpr double readingCutoff = 0.5;
constexpr double readingBeta = 10.0;

double besselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// A windowed sinc `taps` frames wide, at x frames from its centre.
double windowedSinc(double x, int taps, double cutoff, double beta)
{
    const double r = x / (taps / 2.0);
    if (std::fabs(r) >= 1.0)
        return 0.0;
    const double sinc = x == 0.0 ? 2.0 * cutoff : std::sin(2.0 * std::numbers::pi * cutoff * x) / (std::numbers::pi * x);
    return sinc * besselI0(beta * std::sqrt(1.0 - r * r)) / besselI0(beta);
}

double bandKernel(double x)
{
    return windowedSinc(x, SincTable::bandTaps, bandCutoff, bandBeta);
}

double doublingKernel(double x)
{
    return windowedSinc(x, SincTable::doublingTaps, doublingCutoff, doublingBeta);
}

// Symmetric about half the sound's rate, so that it is zero at every other whole frame: the
// doubled frames at the sound's own frames are those frames.
double halfBandKernel(double x)
{
    return windowedSinc(x, SincTable::doublingTaps, halfBandCutoff, halfBandBeta);
}

double readingKernel(double x)
{
    return windowedSinc(x, SincTable::taps, readingCutoff, readingBeta);
}

// The taps for a read position `offset` of a frame past frame i, tap k at frame
// i - count / 2 + 1 + k, normalised to unity gain at DC so that the level does not ripple
// with the read position.
template <typename Kernel>
std::vector<double> normalisedTaps(Kernel kernel, int count, double offset)
{
    std::vector<double> taps(static_cast<std::size_t>(count));
    double sum = 0.0;
    for (int k = 0; k < count; ++k) {
        taps[static_cast<std::size_t>(k)] = kernel(offset + count / 2 - 1 - k);
        sum += taps[static_cast<std::size_t>(k)];
    }
    for (double &tap : taps)
        tap /= sum;
    return taps;
}

}

const SincTable &SincTable::instance()
{
    static const SincTable table;
    return table;
}

SincTable::SincTable()
    : m_prototype(static_cast<std::size_t>(bandTaps) * phases + 2, 0.0f)
{
    std::vector<double> next = normalisedTaps(readingKernel, taps, 0.0);
    for (int p = 0; p < phases; ++p) {
        const std::vector<double> here = std::move(next);
        next = normalisedTaps(readingKernel, taps, static_cast<double>(p + 1) / phases);
        float *row = m_rows.data() + static_cast<std::size_t>(p) * rowFloats;
        for (std::size_t k = 0; k < static_cast<std::size_t>(taps); ++k) {
            row[k] = static_cast<float>(here[k]);
            row[taps + k] = static_cast<float>(next[k] - here[k]);
        }
    }
    for (int half = 0; half < 2; ++half) {
        const std::vector<double> row = normalisedTaps(doublingKernel, doublingTaps, half / 2.0);
        for (std::size_t k = 0; k < static_cast<std::size_t>(doublingTaps); ++k)
            m_doubling[static_cast<std::size_t>(half * doublingTaps) + k] = static_cast<float>(row[k]);
    }
    const std::vector<double> halfBand = normalisedTaps(halfBandKernel, doublingTaps, 0.5);
    for (std::size_t k = 0; k < static_cast<std::size_t>(doublingTaps); ++k)
        m_halfBand[k] = static_cast<float>(halfBand[k]);
    // The stretched kernel is normalised by its own sum where it is used.
    for (int m = 0; m <= bandTaps * phases; ++m)
        m_prototype[static_cast<std::size_t>(m)] = static_cast<float>(bandKernel(static_cast<double>(m) / phases - bandTaps / 2.0));
}

float SincTable::kernel(float x) const noexcept
{
    const float position = (x + bandTaps / 2.0f) * phases;
    if (!(position >= 0.0f) || position >= static_cast<float>(bandTaps * phases))
        return 0.0f;
    const auto index = static_cast<std::size_t>(position);
    const float fraction = position - static_cast<float>(index);
    return m_prototype[index] + fraction * (m_prototype[index + 1] - m_prototype[index]);
}
