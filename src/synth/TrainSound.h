#pragma once

#include "synth/EventField.h"
#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/Random.h"
#include "synth/WanderCurve.h"

#include <cstddef>

// Inside a moving train: a low rumble and the roar of the wheels, swaying slowly, and the
// rail joints clacking in pairs, one wheel then the next, every second or two.
class TrainSound final : public LiveSound
{
public:
    explicit TrainSound(Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

    // The sway moves slowly: its gain is worked out this often and followed in straight
    // lines in between.
    static constexpr std::size_t controlFrames = 64;

private:
    void sway(float *left, float *right, std::size_t frames) noexcept;
    void scheduleJoints(std::size_t frames) noexcept;
    void scheduleJoint(std::uint64_t delay, double slowness) noexcept;

    NoiseBed m_rumble;
    float m_rumbleGain;
    WanderCurve m_sway;
    float m_swayGain = 1.0f;
    EventField m_clacks;
    WanderCurve m_speed;
    Random m_random;
    double m_untilJoint;
};
