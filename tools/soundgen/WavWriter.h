#pragma once

#include <cstdint>
#include <string>

class StereoLoop;

// Writes a loop as 16-bit stereo PCM WAV at the loop's sample rate, quantised with
// triangular dither from a seeded generator so the file is the same on every run.
class WavWriter
{
public:
    static bool write(const StereoLoop &loop, const std::string &path, std::uint64_t ditherSeed);
};
