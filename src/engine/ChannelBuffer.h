#pragma once

#include "engine/ChannelSound.h"
#include "engine/SoundData.h"
#include "dsp/SincResampler.h"

#include <atomic>
#include <cstdint>
#include <memory>

class LiveStream;

// One channel's endless sound, with the settings of a hardware-style sound buffer: a stored
// sound looped, or a live one that goes on without repeating, or the user's file streamed.
//
// The setters are called on the UI thread and only store atomics (the first play() also
// prepares the buffer, a few milliseconds, unless prepare() did); mixInto() runs on the
// audio thread and follows them smoothly: volume and pan glide over a few milliseconds,
// play and stop fade in and out over about 5 ms, so nothing clicks. Stop keeps the play
// position, so the next play continues the loop where it left off. A new rate glides in over
// about 20 ms through a band-limited resampler.
class ChannelBuffer
{
public:
    static constexpr int minimumFrequency = 100;
    static constexpr int maximumFrequency = 100000;
    static constexpr int minimumVolume = -10000;
    static constexpr int maximumPan = 10000;

    explicit ChannelBuffer(std::unique_ptr<SoundData> sound);
    // Plays a sound that other buffers may play too; it is only ever read.
    explicit ChannelBuffer(std::shared_ptr<const SoundData> sound);
    // Plays `sound`; a live one is this buffer's own instance, drawn from `seed`.
    ChannelBuffer(std::shared_ptr<const ChannelSound> sound, std::uint64_t seed);
    ~ChannelBuffer();

    // Attenuation in hundredths of a decibel (0 is the recorded level, -2000 is 20 dB
    // quieter); values are kept within -10000..0.
    void setVolume(int hundredthsOfDecibel);
    // Hundredths of a decibel: a negative pan attenuates the right side by its magnitude,
    // a positive one the left side. Kept within -10000..10000.
    void setPan(int hundredthsOfDecibel);
    // Playback rate in Hz; false (and no change) outside 100..100000. A user's file plays at
    // its natural speed where the live sounds do, at their own rate, and in proportion.
    bool setFrequency(int hertz);
    int frequency() const { return m_frequency.load(std::memory_order_relaxed); }
    int volume() const { return m_volume.load(std::memory_order_relaxed); }
    int pan() const { return m_pan.load(std::memory_order_relaxed); }
    // An attenuation over the volume, in hundredths of a decibel (0 or less), that a glide
    // between mixes uses to bring a channel in from silence or take it out; the volume
    // itself stays as the slider set it.
    void setTrim(int hundredthsOfDecibel);
    int trim() const { return m_trim.load(std::memory_order_relaxed); }
    // Before the first play(): the buffer is mixed by a render, faster than real time, so a
    // streamed file is also read as it plays wherever the decoder falls behind, and never
    // runs short.
    void setOffline() { m_offline = true; }
    // Any thread but the audio thread: makes what the first play() needs, the sound's
    // doubled copy or its live maker, so that play() itself returns at once. Buffers may
    // prepare in parallel; later calls do nothing.
    void prepare();
    void play();
    void stop();
    bool isPlaying() const { return m_playing.load(std::memory_order_relaxed); }
    // True once the buffer is stopped and its fade-out has been rendered to the end (and
    // before it has first been played); the audio thread keeps it current.
    bool isSilent() const { return m_silent.load(std::memory_order_acquire); }

    const ChannelSound &sound() const { return *m_sound; }
    // UI thread: the sound, for another buffer to share (an offline render of the mix).
    std::shared_ptr<const ChannelSound> sharedSound() const { return m_sound; }

    // Audio thread: offsets in hundredths of a decibel that the mix's drift lays over the
    // volume and pan for the frames mixed next.
    void setDrift(float volumeOffset, float panOffset) noexcept;

    // Audio thread: adds `frames` stereo frames of this channel to `out`.
    void mixInto(float *out, std::size_t frames, int outputRate) noexcept;

private:
    static constexpr std::size_t chunkFrames = 256;

    void updateTargets() noexcept;
    void markSilent(bool silent) noexcept;
    void addMoving(const float *source, float *out, std::size_t frames, bool playing, int outputRate) noexcept;
    std::size_t makeReadable(std::size_t frames) noexcept;

    std::shared_ptr<const ChannelSound> m_sound;
    std::uint64_t m_seed = 0;
    double m_rateRatio;
    bool m_offline = false;
    std::unique_ptr<LiveStream> m_live;
    std::atomic<int> m_volume{0};
    std::atomic<int> m_pan{0};
    std::atomic<int> m_trim{0};
    std::atomic<int> m_frequency;
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_silent{true};

    // Owned by the audio thread.
    SincResampler m_resampler;
    bool m_silentSeen = true;
    float m_scratch[2 * chunkFrames];
    float m_gainLeft = 0.0f;
    float m_gainRight = 0.0f;
    float m_targetLeft = 0.0f;
    float m_targetRight = 0.0f;
    float m_fade = 0.0f;
    float m_seenVolume = 1.0f;
    float m_seenPan = 0.0f;
    float m_driftVolume = 0.0f;
    float m_driftPan = 0.0f;
};
