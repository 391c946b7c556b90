#pragma once

class Random;
class StereoLoop;

// An air-conditioning unit: the steady hiss of air from a vent with the soft hum of
// its mains-driven motor and the hum's harmonics.
class AirConditioningSound
{
public:
    static StereoLoop render(Random &random);
};
