#pragma once

class Random;
class StereoLoop;

// Wind: a broad band of rushing air around 500 to 800 Hz and a narrow howl, driven by
// gusts that make it louder and brighter together, with irregular lulls between them.
class WindSound
{
public:
    static StereoLoop render(Random &random);
};
