#pragma once

class Random;
class StereoLoop;

// A chorus of cicadas: each singer a buzz of rapid pulses ringing at 4 to 6 kHz, every
// one swelling and fading at its own slow pace, spread across the stereo field.
class CicadaSound
{
public:
    static StereoLoop render(Random &random);
};
