#pragma once

class Random;
class StereoLoop;

// Steady rain: distinct drops of every size all round the listener over a quiet hiss.
class RainSound
{
public:
    static StereoLoop render(Random &random);
};
