#pragma once

#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/Random.h"
#include "synth/Waveform.h"

#include <array>
#include <cstddef>
#include <cstdint>

// A cat purring close by: breathy noise pulsed 25 to 30 times a second with the low buzz of
// the pulses, louder and a little slower as it breathes out, softer and quicker as it
// breathes in, with a brief lull at each turn of the breath.
class PurrSound final : public LiveSound
{
public:
    explicit PurrSound(Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

    // The breath and the pulses' pace are worked out this often and followed in straight
    // lines in between.
    static constexpr std::size_t controlFrames = 64;

private:
    static constexpr int pulseBits = 10;
    static constexpr std::size_t pulsePoints = std::size_t{1} << pulseBits;

    struct Breath
    {
        double seconds = 0.0;
        double level = 0.0;
        double pulseHertz = 0.0;
    };

    void generateBlock(float *left, float *right, std::size_t frames) noexcept;
    void advanceBreath() noexcept;
    Breath drawBreath(bool out) noexcept;
    float breathGain() const noexcept;

    NoiseBed m_breathNoise;
    Waveform m_buzz;
    std::array<float, pulsePoints + 1> m_pulse{};
    Random m_random;
    Breath m_breath;
    bool m_breathingOut = true;
    double m_breathAge = 0.0;
    double m_pulseHertz;
    std::uint32_t m_phase = 0;
    std::uint32_t m_phaseStep = 0;
    float m_gain = 0.0f;
    std::array<float, controlFrames> m_left{};
    std::array<float, controlFrames> m_right{};
};
