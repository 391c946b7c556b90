#pragma once

#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/ToneCycle.h"

class Random;

// An electric fan: air turbulence that throbs at the blade-pass frequency, with the blade
// tone and its harmonics.
class FanSound final : public LiveSound
{
public:
    // `level` is the turbulence's RMS on each side before it throbs.
    FanSound(float level, Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    NoiseBed m_turbulence;
    float m_level;
    // The throb (row 0) and the tones (row 1) come from the same blades, so they keep one
    // phase.
    ToneCycle m_blades;
};
