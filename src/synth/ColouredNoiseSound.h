#pragma once

#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"

class Random;

// Noise whose power falls or rises by a fixed number of decibels per octave above a steep
// low cut: brown, pink, white, blue and violet noise.
class ColouredNoiseSound final : public LiveSound
{
public:
    // `decibelsPerOctave` of power; `level` is the RMS of each side.
    ColouredNoiseSound(double decibelsPerOctave, double lowCutHertz, float level, Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    NoiseBed m_bed;
    float m_level;
};
