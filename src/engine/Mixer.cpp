#include "engine/Mixer.h"

#include "engine/ChannelBuffer.h"

#include <algorithm>

Mixer::Mixer(int sampleRate, std::uint32_t driftSeed)
    : m_sampleRate(sampleRate)
    , m_outputGain(sampleRate)
    , m_drift(sampleRate, driftSeed)
    , m_limiter(sampleRate)
{
}

std::uint64_t Mixer::ticketForRemoval() const
{
    // A render that is running now may still read a removed buffer; one that starts later
    // sees the new pointer. So it is free once that render has finished, or if none was running.
    return m_inRender.load() ? m_completedRenders.load() + 1 : 0;
}

ChannelBuffer *Mixer::exchange(int channel, ChannelBuffer *buffer, std::uint64_t *ticket)
{
    ChannelBuffer *old = m_slots[static_cast<std::size_t>(channel - 1)].exchange(buffer);
    *ticket = ticketForRemoval();
    return old;
}

int Mixer::keepFading(ChannelBuffer *buffer)
{
    for (std::size_t slot = 0; slot < m_fading.size(); ++slot) {
        if (m_fading[slot].load() == nullptr) {
            m_fading[slot].store(buffer);
            return static_cast<int>(slot);
        }
    }
    return -1;
}

void Mixer::endFading(int slot, std::uint64_t *ticket)
{
    m_fading[static_cast<std::size_t>(slot)].store(nullptr);
    *ticket = ticketForRemoval();
}

bool Mixer::isReleased(std::uint64_t ticket) const
{
    return m_completedRenders.load() >= ticket;
}

void Mixer::render(float *interleavedStereo, std::size_t frames) noexcept
{
    m_inRender.store(true);
    std::fill(interleavedStereo, interleavedStereo + frames * 2, 0.0f);
    std::array<ChannelBuffer *, ChannelTable::channelCount> mixed{};
    m_drift.advance(frames);
    for (std::size_t channel = 0; channel < m_slots.size(); ++channel) {
        mixed[channel] = m_slots[channel].load();
        if (mixed[channel]) {
            const int number = static_cast<int>(channel) + 1;
            mixed[channel]->setDrift(m_drift.volumeOffset(number), m_drift.panOffset(number));
            mixed[channel]->mixInto(interleavedStereo, frames, m_sampleRate);
        }
    }
    // A buffer on its way out sits in both kinds of slot for a moment; it is mixed once.
    for (auto &slot : m_fading) {
        ChannelBuffer *buffer = slot.load();
        if (buffer && std::find(mixed.begin(), mixed.end(), buffer) == mixed.end())
            buffer->mixInto(interleavedStereo, frames, m_sampleRate);
    }
    m_outputGain.process(interleavedStereo, frames);
    m_limiter.process(interleavedStereo, frames);
    m_completedRenders.fetch_add(1);
    m_inRender.store(false);
}
