#pragma once

class Random;
class StereoLoop;

// A second, smoother static: the hiss of an FM receiver between stations, wide and
// even, with a rare soft click.
class InterstationHissSound
{
public:
    static StereoLoop render(Random &random);
};
