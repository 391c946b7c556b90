#pragma once

#include "synth/ClickField.h"
#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/PeakLimiter.h"
#include "synth/Random.h"
#include "synth/WanderCurve.h"

#include <array>
#include <cstdint>

// A radio tuned off station on the medium wave: hiss limited to the receiver's band,
// fading slowly, with crackle that comes in clusters as from distant lightning.
class RadioStaticSound final : public LiveSound
{
public:
    explicit RadioStaticSound(Random &random);

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    static constexpr std::size_t blockFrames = 64;

    void generateBlock(float *left, float *right, std::size_t frames) noexcept;
    void scheduleClusters(std::size_t frames) noexcept;
    void scheduleCluster(std::uint64_t delay) noexcept;
    float nextFadeGain(std::size_t frames) noexcept;

    NoiseBed m_hiss;
    ClickField m_crackle;
    WanderCurve m_fade;
    Random m_random;
    double m_fadePower;
    float m_fadeGain;
    std::uint64_t m_untilCluster;
    PeakLimiter m_limiter;
    std::array<float, blockFrames> m_first{};
    std::array<float, blockFrames> m_second{};
    std::array<float, blockFrames> m_clicks{};
};
