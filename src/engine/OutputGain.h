#pragma once

#include <atomic>
#include <cstddef>

// The whole output's own gain, after the mix and before the limiter: a pause that takes
// the sound to silence and back over half a second, and a level in decibels that the
// sleep timer lowers. Neither touches the system volume, "Mute" or any channel.
//
// The setters are called on the UI thread and only store atomics; process() runs on the
// audio thread and follows them smoothly: the pause along a raised cosine, a new level as
// a ramp that is even in decibels and lasts levelRampSeconds, so a level that is set once
// a second moves without a single step.
class OutputGain
{
public:
    static constexpr float pauseSeconds = 0.5f;
    static constexpr float levelRampSeconds = 1.0f;
    // Levels at or below this are silence.
    static constexpr float silenceDecibels = -60.0f;

    explicit OutputGain(int sampleRate);

    void setPaused(bool paused);
    bool isPaused() const { return m_paused.load(std::memory_order_relaxed); }
    // 0 is the full sound; the level is kept within silenceDecibels..0.
    void setLevel(float decibels);
    float level() const { return m_targetLevel.load(std::memory_order_relaxed); }

    // The gain of a level: even in decibels, and exactly 0 at silenceDecibels so that the
    // last step into silence is not a step at all.
    static float levelGain(float decibels);

    // Audio thread.
    void process(float *interleavedStereo, std::size_t frames) noexcept;

private:
    float gainNow() const;

    float m_rate;
    std::atomic<bool> m_paused{false};
    std::atomic<float> m_targetLevel{0.0f};

    // Owned by the audio thread.
    float m_position = 1.0f; // 0 paused, 1 playing
    float m_level = 0.0f;
    float m_seenLevel = 0.0f;
    float m_levelStep = 0.0f;
    long m_levelFramesLeft = 0;
};
