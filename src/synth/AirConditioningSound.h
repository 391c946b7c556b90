#pragma once

#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/ToneCycle.h"

class Random;

// An air-conditioning unit: the steady hiss of air from a vent with the soft hum of its
// mains-driven motor and the hum's harmonics, the same on both sides.
class AirConditioningSound final : public LiveSound
{
public:
    // `level` is the airflow's RMS on each side.
    AirConditioningSound(float level, Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    NoiseBed m_airflow;
    float m_level;
    ToneCycle m_hum;
};
