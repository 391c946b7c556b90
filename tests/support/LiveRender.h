#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Live sounds rendered for the tests, at their own rate whatever rate they are made at, and
// the check that a sound never comes back.
class LiveRender
{
public:
    struct Stereo
    {
        std::vector<float> left;
        std::vector<float> right;
    };

    // `seconds` of the live sound `name`, drawn from `seed`, at 22050 Hz: a sound made at
    // twice that rate is brought down to it exactly, as its file would be.
    static Stereo render(std::string_view name, double seconds, std::uint64_t seed = 7);

    // The largest normalised correlation of `count` frames from `first` with any stretch of
    // the same length that starts earlier, found at every lag through one FFT each.
    static double largestEarlierCorrelation(const std::vector<float> &signal, std::size_t first, std::size_t count);
};
