#pragma once

#include "synth/Random.h"

// A slow rise and fall: a sine whose every cycle takes its own, random time, as a singer
// swells and fades. Unlike a SlowCurve it never strays far for long: each cycle carries
// the same power, so the level over a minute hardly depends on the draw.
//
// Made off the audio thread; next() is the audio thread's.
class Swell
{
public:
    // Each cycle lasts between 1/highHertz and 1/lowHertz; next() is called `stepRate`
    // times a second.
    Swell(double lowHertz, double highHertz, double stepRate, Random &random);

    // The next value, between -sqrt(2) and sqrt(2): an RMS of 1.
    float next() noexcept;

    // The mean of exp(2 * depth * next()) over a cycle: the mean power that a swell of
    // exp(depth * next()) gives, to divide by.
    static double meanPower(double depth);

private:
    void drawCycle() noexcept;

    Random m_random;
    double m_lowStep;
    double m_highStep;
    double m_phase;
    double m_step = 0.0;
};
