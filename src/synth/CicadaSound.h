#pragma once

#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/Random.h"
#include "synth/Swell.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A chorus of cicadas: each singer a buzz of rapid pulses ringing at 4 to 6 kHz, every
// one swelling and fading at its own slow pace, spread across the stereo field, over a
// faint breath of air.
//
// A singer's pulse is one stretch of its ring under the pulse's shape, made once as a pair
// of quadrature tables; each pulse mixes the pair with new random weights, so every pulse
// rings with its own strength and phase and the ring spreads into a narrow band as a noise
// would, for four multiply-adds a frame per singer instead of a band of noise each. Pulses
// begin where their shape is silent, so new weights never click.
class CicadaSound final : public LiveSound
{
public:
    // `gain` scales the whole chorus to the common loudness.
    CicadaSound(float gain, Random &random);

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    struct Singer
    {
        Singer(double ringHertz, double pulseHertz, Random &random);

        std::size_t period;
        // One pulse after another, for each of the rings across the singer's band.
        std::vector<float> ringCosine;
        std::vector<float> ringSine;
        std::size_t ring = 0;
        std::size_t position = 0;
        float leftGain = 0.0f;
        float rightGain = 0.0f;
        Swell swell;
        float strength = 0.0f;
        float cosineLeft = 0.0f;
        float sineLeft = 0.0f;
        float cosineRight = 0.0f;
        float sineRight = 0.0f;
    };

    static constexpr std::size_t chunkFrames = 256;

    void makeWeights();
    void startPulse(Singer &singer) noexcept;
    void sing(Singer &singer, float *left, float *right, std::size_t frames) noexcept;

    std::vector<Singer> m_singers;
    // Pairs of quadrature weights, one pair drawn for each pulse.
    std::vector<float> m_weights;
    NoiseBed m_air;
    Swell m_chorus;
    Random m_random;
    float m_gain;
};
