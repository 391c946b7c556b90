#pragma once

#include "engine/ChannelTable.h"

#include <array>
#include <cstdint>
#include <memory>

class ChannelSound;
class SoundEngine;

// The settings of the console's playing channels at one moment, with their sounds shared
// read-only, so that a render can mix them while the console plays on and changes.
class MixSnapshot
{
public:
    struct Channel
    {
        std::shared_ptr<const ChannelSound> sound; // null: the channel is silent
        int volume = 0;
        int pan = 0;
        int frequency = 0;
    };

    // The drift's paths and depth (0 when it is off), which run from the start of a render
    // as they ran from the start of the program.
    struct Drift
    {
        int depth = 0;
        std::uint32_t seed = 1;
    };

    // UI thread: what every buffer of `engine` plays now, as its volume, pan and rate
    // stand, and the drift it plays with. Channels that are stopped, or have no sound,
    // stay silent.
    static MixSnapshot capture(const SoundEngine &engine);

    // Channel 1 to 14.
    const Channel &channel(int number) const { return m_channels[static_cast<std::size_t>(number - 1)]; }
    void setChannel(int number, Channel channel) { m_channels[static_cast<std::size_t>(number - 1)] = std::move(channel); }
    bool isSilent() const;
    const Drift &drift() const { return m_drift; }
    void setDrift(Drift drift) { m_drift = drift; }
    // Where the render's live sounds draw their randomness from: the same seed renders the
    // same sound.
    std::uint64_t soundSeed() const { return m_soundSeed; }
    void setSoundSeed(std::uint64_t seed) { m_soundSeed = seed; }

private:
    std::array<Channel, ChannelTable::channelCount> m_channels;
    Drift m_drift;
    std::uint64_t m_soundSeed = 1;
};
