#pragma once

class Random;
class StereoLoop;

// Surf: a wave every six to twelve seconds swells, breaks and recedes with a hiss over a
// rumble that never stops; the louder the water, the brighter it sounds.
class OceanSound
{
public:
    static StereoLoop render(Random &random);
};
