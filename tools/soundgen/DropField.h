#pragma once

class Random;
class StereoLoop;

// How a shower of drops sounds: how many fall, how their sizes spread and how they ring.
struct DropStyle
{
    double dropsPerSecond;
    // Sizes are uniform numbers raised to this power: the higher, the more small drops.
    double sizeSkew;
    double lowestPitchHertz;
    double highestPitchHertz;
    // Spread of levels by distance, in decibels.
    double distanceSpreadDecibels;
    double clickLevel;
    double ringLevel;
    // How far from the centre the drops may land, 0 to 1.
    double width;
};

// Scatters drops at random times, levels and places over a loop. Each drop is a short
// noise click and a damped resonance whose pitch falls as the drop grows.
class DropField
{
public:
    static void scatter(StereoLoop &loop, const DropStyle &style, Random &random);
};
