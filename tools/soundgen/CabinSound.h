#pragma once

class Random;
class StereoLoop;

// An airliner cabin in cruise: a steady low rumble of airflow with the weak tones of two
// engines running at nearly the same speed, so that they beat slowly.
class CabinSound
{
public:
    static StereoLoop render(Random &random);
};
