#pragma once

#include "synth/ClickField.h"
#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/PeakLimiter.h"
#include "synth/Random.h"
#include "synth/WanderCurve.h"

#include <array>
#include <cstdint>

// A second, smoother static: the hiss of an FM receiver between stations, wide and
// even, with a rare soft click.
class InterstationHissSound final : public LiveSound
{
public:
    explicit InterstationHissSound(Random &random);

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    static constexpr std::size_t blockFrames = 64;

    void generateBlock(float *left, float *right, std::size_t frames) noexcept;
    void scheduleClicks(std::size_t frames) noexcept;
    float nextFadeGain(std::size_t frames) noexcept;

    NoiseBed m_hiss;
    ClickField m_clicks;
    WanderCurve m_fade;
    Random m_random;
    float m_fadeGain;
    std::uint64_t m_untilClick;
    PeakLimiter m_limiter;
    std::array<float, blockFrames> m_left{};
    std::array<float, blockFrames> m_right{};
    std::array<float, blockFrames> m_mono{};
};
