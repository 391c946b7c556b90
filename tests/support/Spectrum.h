#pragma once

#include <cstddef>
#include <vector>

// Spectra of rendered audio, measured with FFTW.
namespace Spectrum {

// One-sided power per bin of `count` frames of one channel of interleaved stereo, from
// `first`. A Kaiser window (beta 20) keeps a tone's leakage more than 150 dB down outside
// ten bins around it. Scaled so that a sine of amplitude A sums to A * A / 2.
std::vector<double> power(const std::vector<float> &stereo, int channel, std::size_t first, std::size_t count);

double binHertz(const std::vector<double> &power, double sampleRate);

// Power between `low` and `high` Hz, leaving out ten bins either side of `excluded` Hz
// when it is given.
double bandPower(const std::vector<double> &power, double sampleRate, double low, double high, double excluded = -1.0);
// Power within ten bins of `hertz`.
double tonePower(const std::vector<double> &power, double sampleRate, double hertz);
// The largest power in a window of 21 bins anywhere between `low` and `high` Hz, leaving
// out the tone at `excluded` Hz.
double largestComponent(const std::vector<double> &power, double sampleRate, double low, double high, double excluded);

double decibels(double powerRatio);

}
