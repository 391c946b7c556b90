#pragma once

class Random;
class StereoLoop;

// Heavy rain: a dense shower of drops, a low roar of water, occasional big splashes,
// all swelling slowly.
class DownpourSound
{
public:
    static StereoLoop render(Random &random);
};
