#pragma once

#include "synth/EventField.h"
#include "synth/LiveSound.h"
#include "synth/NoiseBed.h"
#include "synth/Random.h"
#include "synth/SlowCurve.h"
#include "synth/SoftCeiling.h"

// A brook: water running over stones, bubbles ringing from about 300 Hz to 3 kHz with a
// rising pitch, now alone, now in gurgling clusters, over a soft wash.
class BrookSound final : public LiveSound
{
public:
    explicit BrookSound(Random &random);

    int rate() const noexcept override { return doubledRate; }

    void generate(float *left, float *right, std::size_t frames) noexcept override;

    // How often the bubbles' pace is worked out anew.
    static constexpr std::size_t controlFrames = 256;

private:
    void scheduleBubbles(std::size_t frames) noexcept;
    void scheduleCluster(std::uint64_t delay) noexcept;
    void scheduleBubble(std::uint64_t delay, double size, double place) noexcept;

    NoiseBed m_wash;
    float m_washGain;
    EventField m_bubbles;
    SlowCurve m_flow;
    Random m_random;
    // Counted in bubbles of the steady stream, so that a quicker flow brings them on sooner.
    double m_untilBubble;
    double m_untilCluster;
    SoftCeiling m_ceiling;
};
