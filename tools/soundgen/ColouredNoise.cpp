#include "ColouredNoise.h"

#include "FilterShape.h"
#include "SpectralShaper.h"
#include "StereoLoop.h"

StereoLoop ColouredNoise::render(double decibelsPerOctave, double lowCutHertz, Random &random)
{
    // A steep cut, so the slope holds unbent an octave above it.
    const auto shape = [=](double hertz) {
        return FilterShape::powerSlope(hertz, decibelsPerOctave) * FilterShape::highPass(hertz, lowCutHertz, 4);
    };
    StereoLoop loop;
    SpectralShaper::addStereoNoise(loop, shape, 0.1, random);
    return loop;
}
