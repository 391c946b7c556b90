#pragma once

#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/Random.h"
#include "synth/WanderCurve.h"

#include <array>
#include <cstdint>

// Wind: a broad band of rushing air around 500 to 800 Hz and a narrow howl, driven by
// gusts that make it louder and brighter together, with irregular lulls between them.
// The howl is noise through a resonator whose centre rises as a gust builds.
class WindSound final : public LiveSound
{
public:
    explicit WindSound(Random &random);

    void generate(float *left, float *right, std::size_t frames) noexcept override;

    // The gusts move slowly: their gains and the howl's tuning are worked out this often
    // and followed in straight lines in between.
    static constexpr std::size_t controlFrames = 128;

private:
    static constexpr std::size_t historySteps = 512;

    struct Gains
    {
        float body = 0.0f;
        float bright = 0.0f;
        float howl = 0.0f;
        // The resonator's feedback from the previous output, which sets its centre.
        float feedback = 0.0f;
    };

    struct Side
    {
        Gains gains;
        float previous = 0.0f;
        float beforePrevious = 0.0f;
    };

    void generateBlock(float *left, float *right, std::size_t frames) noexcept;
    void advanceGusts() noexcept;
    static Gains gainsFor(float gust) noexcept;
    void renderSides(float *left, float *right, std::size_t frames) noexcept;
    static void mixSide(float *side, const float *body, const float *bright, const float *howl, const Gains &from,
                        const Gains &step, std::size_t frames) noexcept;

    NoiseBed m_body;
    NoiseBed m_bright;
    WanderCurve m_gusts;
    Random m_noise;
    std::array<float, historySteps> m_history{};
    std::uint64_t m_step = 0;
    // The gust curve's recent mean and variance.
    double m_mean = 0.0;
    double m_variance = 1.0;
    Side m_left;
    Side m_right;
    Gains m_leftTarget;
    Gains m_rightTarget;
    std::array<float, controlFrames> m_bodyLeft{};
    std::array<float, controlFrames> m_bodyRight{};
    std::array<float, controlFrames> m_brightLeft{};
    std::array<float, controlFrames> m_brightRight{};
    std::array<float, controlFrames> m_howlLeft{};
    std::array<float, controlFrames> m_howlRight{};
};
