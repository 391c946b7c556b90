#pragma once

#include "synth/DropField.h"
#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/NoiseTable.h"
#include "synth/Random.h"
#include "synth/SlowCurve.h"

#include <array>

// Heavy rain: a dense shower of drops, a low roar of water, occasional big splashes,
// all swelling slowly.
class DownpourSound final : public LiveSound
{
public:
    explicit DownpourSound(Random &random);

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    // A splash is smoothed noise, read from a table at a random place, that rises in a few
    // milliseconds and dies away over a tenth of a second or two.
    struct Splash
    {
        const float *noise = nullptr;
        std::size_t place = 0;
        std::size_t remaining = 0;
        std::size_t delay = 0;
        float leftGain = 0.0f;
        float rightGain = 0.0f;
        float onset = 0.0f;
        float onsetStep = 0.0f;
        float decay = 1.0f;
        float decayStep = 1.0f;
    };

    // A splash lasts at most a second and one comes every three seconds or so: more than
    // six at once would happen about once a year of playing, and the seventh is left out.
    static constexpr std::size_t kMostSplashes = 6;

    void addSplashes(float *left, float *right, std::size_t frames) noexcept;
    void addSplash(Splash &splash, float *left, float *right, std::size_t frames) noexcept;
    void startSplash(std::size_t delay) noexcept;
    void swell(float *left, float *right, std::size_t frames) noexcept;

    NoiseBed m_bed;
    float m_bedGain;
    DropField m_drops;
    NoiseTable m_splashNoise;
    float m_splashGain;
    std::array<Splash, kMostSplashes> m_splashes{};
    std::size_t m_splashing = 0;
    double m_untilSplash = 0.0;
    SlowCurve m_swell;
    // The curve's slowest wandering, taken out of it.
    float m_drift = 0.0f;
    float m_driftPull;
    float m_swellGain = 1.0f;
    Random m_random;
};
