#pragma once

#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/ToneCycle.h"

class Random;

// An airliner cabin in cruise: a steady low rumble of airflow with the weak tones of two
// engines running at nearly the same speed, so that they beat slowly. Each engine is heard
// more on its own side of the cabin.
class CabinSound final : public LiveSound
{
public:
    // `level` is the rumble's RMS on each side.
    CabinSound(float level, Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    NoiseBed m_air;
    float m_airGain;
    // The two engines together, a row for each side.
    ToneCycle m_engines;
};
