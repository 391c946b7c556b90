#pragma once

#include <functional>
#include <vector>

class Random;
class StereoLoop;

// Works on whole loops in the frequency domain. A spectrum built over the full loop
// length is exactly periodic, so beds and slow modulations made here have no seam,
// and filtering here is circular, so no filter tail is cut at the loop point.
class SpectralShaper
{
public:
    using Response = std::function<double(double hertz)>;

    // Noise of one loop with the given amplitude response, exact magnitude per bin and
    // random phase, scaled to an RMS of 1. The DC bin is always zero.
    static std::vector<float> noise(const Response &magnitude, Random &random);
    // Adds independent noise to each side, the left drawn first so the draws keep their order.
    static void addStereoNoise(StereoLoop &loop, const Response &magnitude, double gain, Random &random);
    // Zero-phase circular filtering of one loop.
    static void filter(std::vector<float> &signal, const Response &magnitude);
    // A smooth random curve of RMS 1 whose components lie between the lowest loop
    // harmonic and maxHertz, falling with frequency so that it wanders rather than jitters.
    static std::vector<float> slowCurve(double maxHertz, Random &random);
};
