#pragma once

// Amplitude responses for noise tables and filters, as functions of frequency in Hz.
class FilterShape
{
public:
    static double highPass(double hertz, double corner, int order);
    static double lowPass(double hertz, double corner, int order);
    static double bandPass(double hertz, double low, double high, int order);
    // A bell on a logarithmic frequency axis: 1 at the centre, 1/e^0.5 one width away.
    static double bell(double hertz, double centre, double widthOctaves);
    // Power falling (negative) or rising (positive) by the given decibels per octave.
    static double powerSlope(double hertz, double decibelsPerOctave);
};
