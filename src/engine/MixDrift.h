#pragma once

#include "engine/ChannelTable.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// Lets each channel's volume wander slowly around its slider's value, and its pan within
// half that range, so that a long session breathes like a real place. Every channel follows
// its own smooth random path, a sum of slow sines with periods of one and a half to ten
// minutes, drawn from the seed.
//
// The paths run in audio time (frames rendered), not on a clock, so a mix rendered to a
// file carries the same drift as the one heard, and the same seed gives the same paths.
// setDepth() and setSeed() are called on the UI thread and only store atomics; advance()
// and the offsets belong to the audio thread, which eases a new depth in over a few seconds.
class MixDrift
{
public:
    // Hundredths of a decibel: ±6 dB.
    static constexpr int maximumDepth = 600;
    static constexpr float depthRampSeconds = 4.0f;

    MixDrift(int sampleRate, std::uint32_t seed);

    // 0 turns drift off; kept within 0..maximumDepth.
    void setDepth(int hundredthsOfDecibel);
    int depth() const { return m_depth.load(std::memory_order_relaxed); }
    void setSeed(std::uint32_t seed);
    std::uint32_t seed() const { return m_seed.load(std::memory_order_relaxed); }

    // Audio thread: the offsets of channel 1 to 14 at the start of the next `frames`
    // frames, in hundredths of a decibel, then moves audio time on by `frames`.
    void advance(std::size_t frames) noexcept;
    float volumeOffset(int channel) const { return m_volumeOffsets[static_cast<std::size_t>(channel - 1)]; }
    float panOffset(int channel) const { return m_panOffsets[static_cast<std::size_t>(channel - 1)]; }

    // The path of one channel at `seconds` of audio time, within -1..1.
    float path(int channel, int which, double seconds) const noexcept;

private:
    static constexpr int sines = 3;
    struct Sine
    {
        double radiansPerSecond = 0.0;
        double phase = 0.0;
        double weight = 0.0;
    };
    // Per channel, one path for the volume and one for the pan.
    using Paths = std::array<std::array<std::array<Sine, sines>, 2>, ChannelTable::channelCount>;

    void drawPaths(std::uint32_t seed) noexcept;

    double m_rate;
    std::atomic<int> m_depth{0};
    std::atomic<std::uint32_t> m_seed;

    // Owned by the audio thread.
    std::uint32_t m_seenSeed;
    Paths m_paths{};
    std::uint64_t m_frames = 0;
    float m_appliedDepth = 0.0f;
    std::array<float, ChannelTable::channelCount> m_volumeOffsets{};
    std::array<float, ChannelTable::channelCount> m_panOffsets{};
};
