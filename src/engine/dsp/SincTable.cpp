#include "engine/dsp/SincTable.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double cutoff = 0.458; // cycles per source frame
constexpr double kaiserBeta = 8.3;

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

// The continuous kernel at x source frames from the centre.
double windowedSinc(double x)
{
    const double half = SincTable::taps / 2.0;
    const double r = x / half;
    if (std::fabs(r) >= 1.0)
        return 0.0;
    const double sinc = x == 0.0 ? 2.0 * cutoff : std::sin(2.0 * std::numbers::pi * cutoff * x) / (std::numbers::pi * x);
    return sinc * besselI0(kaiserBeta * std::sqrt(1.0 - r * r)) / besselI0(kaiserBeta);
}

}

const SincTable &SincTable::instance()
{
    static const SincTable table;
    return table;
}

SincTable::SincTable()
    : m_prototype(static_cast<std::size_t>(taps) * phases + 2, 0.0f)
{
    // phases + 1 rows in natural tap order, each normalised to unity gain at DC so the
    // level does not ripple with the read position.
    std::vector<double> natural(static_cast<std::size_t>(phases + 1) * taps);
    double sumOfSums = 0.0;
    for (int p = 0; p <= phases; ++p) {
        double sum = 0.0;
        for (int k = 0; k < taps; ++k) {
            const double x = static_cast<double>(p) / phases + taps / 2 - 1 - k;
            natural[static_cast<std::size_t>(p * taps + k)] = windowedSinc(x);
            sum += natural[static_cast<std::size_t>(p * taps + k)];
        }
        for (int k = 0; k < taps; ++k)
            natural[static_cast<std::size_t>(p * taps + k)] /= sum;
        if (p < phases)
            sumOfSums += sum;
    }
    for (int p = 0; p < phases; ++p) {
        float *row = m_rows.data() + static_cast<std::size_t>(p) * rowFloats;
        for (int k = 0; k < taps; ++k) {
            const double here = natural[static_cast<std::size_t>(p * taps + k)];
            const double next = natural[static_cast<std::size_t>((p + 1) * taps + k)];
            row[k] = static_cast<float>(here);
            row[taps + k] = static_cast<float>(next - here);
        }
    }
    const double scale = phases / sumOfSums;
    for (int m = 0; m <= taps * phases; ++m)
        m_prototype[static_cast<std::size_t>(m)] = static_cast<float>(windowedSinc(static_cast<double>(m) / phases - taps / 2.0) * scale);
}

float SincTable::kernel(float x) const noexcept
{
    const float position = (x + taps / 2.0f) * phases;
    if (!(position >= 0.0f) || position >= static_cast<float>(taps * phases))
        return 0.0f;
    const auto index = static_cast<std::size_t>(position);
    const float fraction = position - static_cast<float>(index);
    return m_prototype[index] + fraction * (m_prototype[index + 1] - m_prototype[index]);
}
