#include "engine/Mixer.h"

#include "engine/ChannelBuffer.h"

#include <algorithm>

Mixer::Mixer(int sampleRate)
    : m_sampleRate(sampleRate)
    , m_limiter(sampleRate)
{
}

ChannelBuffer *Mixer::exchange(int channel, ChannelBuffer *buffer, std::uint64_t *ticket)
{
    ChannelBuffer *old = m_slots[static_cast<std::size_t>(channel - 1)].exchange(buffer);
    // A render that is running now may still read `old`; one that starts later sees the
    // new pointer. So `old` is free once that render has finished, or if none was running.
    *ticket = m_inRender.load() ? m_completedRenders.load() + 1 : 0;
    return old;
}

bool Mixer::isReleased(std::uint64_t ticket) const
{
    return m_completedRenders.load() >= ticket;
}

void Mixer::render(float *interleavedStereo, std::size_t frames) noexcept
{
    m_inRender.store(true);
    std::fill(interleavedStereo, interleavedStereo + frames * 2, 0.0f);
    for (auto &slot : m_slots) {
        if (ChannelBuffer *buffer = slot.load())
            buffer->mixInto(interleavedStereo, frames, m_sampleRate);
    }
    m_limiter.process(interleavedStereo, frames);
    m_completedRenders.fetch_add(1);
    m_inRender.store(false);
}
