#include "LoopResonator.h"

#include "StereoLoop.h"

#include <cmath>
#include <numbers>

std::vector<float> LoopResonator::resonate(const std::vector<float> &input, const std::vector<float> &centreHertz,
                                           double bandwidthHertz)
{
    const double radius = std::exp(-std::numbers::pi * bandwidthHertz / StereoLoop::kSampleRate);
    const double angularScale = 2.0 * std::numbers::pi / StereoLoop::kSampleRate;
    // Scales the peak gain to about 1 whatever the bandwidth.
    const double inputGain = 1.0 - radius;
    std::vector<float> output(input.size());
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < input.size(); ++i) {
            const double feedback = 2.0 * radius * std::cos(angularScale * centreHertz[i]);
            const double value = inputGain * input[i] + feedback * previous - radius * radius * beforePrevious;
            beforePrevious = previous;
            previous = value;
            output[i] = static_cast<float>(value);
        }
    }
    return output;
}
