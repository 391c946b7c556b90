#include "LoopOscillator.h"

#include "StereoLoop.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

double angleAt(std::uint64_t cycles, std::size_t frame)
{
    const std::uint64_t position = (cycles * frame) % StereoLoop::kFrames;
    return 2.0 * std::numbers::pi * static_cast<double>(position) / static_cast<double>(StereoLoop::kFrames);
}

std::uint64_t cyclesPerLoop(double hertz)
{
    return static_cast<std::uint64_t>(std::llround(hertz * StereoLoop::kSeconds));
}

}

std::vector<float> LoopOscillator::sine(double hertz, double phase)
{
    const std::uint64_t cycles = cyclesPerLoop(hertz);
    std::vector<float> result(StereoLoop::kFrames);
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = static_cast<float>(std::sin(angleAt(cycles, i) + phase));
    return result;
}
