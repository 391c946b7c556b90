#pragma once

#include "synth/EventField.h"
#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/Random.h"

// A heart at rest, as heard from within: a low "lub-dub" some 65 times a minute whose pace
// drifts and quickens and slows with the breath, over a faint low rush. Nothing above
// 150 Hz.
class HeartbeatSound final : public LiveSound
{
public:
    explicit HeartbeatSound(Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

private:
    void scheduleBeats(std::size_t frames) noexcept;
    void scheduleBeat(std::uint64_t delay) noexcept;
    double nextInterval() noexcept;

    NoiseBed m_rush;
    float m_rushGain;
    EventField m_sounds;
    Random m_random;
    double m_beatsPerMinute;
    double m_breathPhase;
    double m_breathSeconds;
    double m_untilBeat;
};
