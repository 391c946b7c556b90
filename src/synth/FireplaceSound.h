#pragma once

#include "synth/EventField.h"
#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/Random.h"
#include "synth/SlowCurve.h"
#include "synth/SoftCeiling.h"

#include <cstddef>

// A wood fire: the low roar of the flames, flickering, with crackles of every size, alone
// and in bursts, and now and then the pop of a pocket of resin.
class FireplaceSound final : public LiveSound
{
public:
    explicit FireplaceSound(Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

    // The flicker is worked out this often and followed in straight lines in between.
    static constexpr std::size_t controlFrames = 64;

private:
    void flicker(float *left, float *right, std::size_t frames) noexcept;
    void scheduleCrackles(std::size_t frames) noexcept;
    void scheduleBurst(std::uint64_t delay) noexcept;
    void scheduleCrackle(std::uint64_t delay, std::size_t shape, double size, double place) noexcept;

    NoiseBed m_roar;
    float m_roarGain;
    SlowCurve m_flicker;
    float m_flickerGain = 1.0f;
    EventField m_crackles;
    Random m_random;
    double m_untilCrackle;
    double m_untilBurst;
    double m_untilPop;
    SoftCeiling m_ceiling;
};
