#pragma once

#include <vector>

// Tones for a loop. Each frequency is rounded to a whole number of cycles per loop and
// the phase is computed from exact integer positions, so the last sample leads smoothly
// into the first.
class LoopOscillator
{
public:
    static std::vector<float> sine(double hertz, double phase);
};
