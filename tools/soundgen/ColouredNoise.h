#pragma once

class Random;
class StereoLoop;

// Noise whose power changes by a fixed number of decibels per octave, below a low cut
// that keeps inaudible rumble out of the speakers. Left and right are independent.
class ColouredNoise
{
public:
    static StereoLoop render(double decibelsPerOctave, double lowCutHertz, Random &random);
};
