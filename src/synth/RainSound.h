#pragma once

#include "synth/DropField.h"
#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/SoftCeiling.h"

class Random;

// Steady rain: distinct drops of every size all round the listener over a quiet hiss.
class RainSound final : public LiveSound
{
public:
    explicit RainSound(Random &random);

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    NoiseBed m_bed;
    float m_bedGain;
    DropField m_drops;
    SoftCeiling m_ceiling;
};
