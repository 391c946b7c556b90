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

    // Where the stretches of a render `seconds` long that must not come back start: four places
    // in its second half, or, for ten minutes or more, one every ten seconds of it, since the
    // pieces of a noise bed come back together only now and then.
    static std::vector<std::size_t> stretchStarts(double seconds);

    // Of the stretches of `count` frames that start at `firsts`, the one that best matches a
    // stretch of the same length that starts earlier, and its normalised correlation with it,
    // found at every lag through FFTs; the signal itself is transformed once for them all.
    struct Match
    {
        std::size_t first;
        double correlation;
    };
    static Match bestEarlierMatch(const std::vector<float> &signal, const std::vector<std::size_t> &firsts,
                                  std::size_t count);
};
