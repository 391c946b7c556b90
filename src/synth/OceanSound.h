#pragma once

#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/Random.h"

#include <array>
#include <cstddef>
#include <vector>

// Surf: a wave every six to ten seconds swells, breaks and recedes with a hiss over a
// rumble that never stops; the louder the water, the brighter it sounds.
//
// Each wave is drawn as it comes (when, how strong, where it breaks) and rides a level curve
// made once, so a frame costs three noise beds and a few multiplications; the level moves
// in straight lines between points a control step apart, far finer than any wave changes.
class OceanSound final : public LiveSound
{
public:
    // `gain` scales the whole sea to the common loudness.
    OceanSound(float gain, Random &random);

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    static constexpr std::size_t controlFrames = 32;
    static constexpr std::size_t chunkFrames = 256;
    // Waves last about sixteen seconds and come at least six apart.
    static constexpr std::size_t waveSlots = 4;

    struct Wave
    {
        std::size_t age = 0;
        float left = 0.0f;
        float right = 0.0f;
        bool rolling = false;
    };

    void startWave() noexcept;
    void stepControl() noexcept;
    void fillLevels(std::size_t frames) noexcept;
    void mix(float *left, float *right, std::size_t frames) noexcept;

    NoiseBed m_rumble;
    NoiseBed m_wash;
    NoiseBed m_hiss;
    std::vector<float> m_waveShape;
    std::array<Wave, waveSlots> m_waves{};
    Random m_random;
    std::size_t m_stepsToNextWave = 0;
    std::size_t m_framesLeftInStep = 0;
    float m_levelLeft = 0.0f;
    float m_levelRight = 0.0f;
    float m_slopeLeft = 0.0f;
    float m_slopeRight = 0.0f;
    float m_gain;
    // Scratch for one chunk: a bed's two sides, then each side's level.
    std::vector<float> m_scratch;
};
