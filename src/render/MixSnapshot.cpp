#include "render/MixSnapshot.h"

#include "engine/ChannelBuffer.h"
#include "engine/Mixer.h"
#include "engine/SoundEngine.h"

#include <algorithm>

MixSnapshot MixSnapshot::capture(const SoundEngine &engine)
{
    MixSnapshot snapshot;
    for (int number = 1; number <= ChannelTable::channelCount; ++number) {
        const ChannelBuffer *buffer = engine.buffer(number);
        if (!buffer || !buffer->isPlaying())
            continue;
        snapshot.setChannel(number, {buffer->sharedSound(), buffer->volume(), buffer->pan(), buffer->frequency()});
    }
    const MixDrift &drift = engine.mixer().drift();
    snapshot.setDrift({drift.depth(), drift.seed()});
    snapshot.setSoundSeed(engine.seed());
    return snapshot;
}

bool MixSnapshot::isSilent() const
{
    return std::none_of(m_channels.begin(), m_channels.end(), [](const Channel &c) { return c.sound != nullptr; });
}
