#include "synth/FilterShape.h"

#include <cmath>

double FilterShape::highPass(double hertz, double corner, int order)
{
    const double ratio = std::pow(hertz / corner, 2 * order);
    return std::sqrt(ratio / (1.0 + ratio));
}

double FilterShape::lowPass(double hertz, double corner, int order)
{
    return 1.0 / std::sqrt(1.0 + std::pow(hertz / corner, 2 * order));
}

double FilterShape::bandPass(double hertz, double low, double high, int order)
{
    return highPass(hertz, low, order) * lowPass(hertz, high, order);
}

double FilterShape::bell(double hertz, double centre, double widthOctaves)
{
    const double octaves = std::log2(hertz / centre) / widthOctaves;
    return std::exp(-0.5 * octaves * octaves);
}

double FilterShape::powerSlope(double hertz, double decibelsPerOctave)
{
    // Amplitude is the square root of power, hence the 20 rather than 10.
    return std::pow(10.0, std::log2(hertz) * decibelsPerOctave / 20.0);
}
