#pragma once

class Random;
class StereoLoop;

// A radio tuned off station on the medium wave: hiss limited to the receiver's band,
// fading slowly, with crackle that comes in clusters as from distant lightning.
class RadioStaticSound
{
public:
    static StereoLoop render(Random &random);
};
