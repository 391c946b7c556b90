#pragma once

class Random;
class StereoLoop;

// An electric fan: air turbulence that throbs at the blade-pass frequency, with the
// blade tone and its harmonics.
class FanSound
{
public:
    static StereoLoop render(Random &random);
};
