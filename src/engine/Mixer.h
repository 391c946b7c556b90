#pragma once

#include "engine/ChannelTable.h"
#include "engine/SafetyLimiter.h"
#include "platform/AudioRenderer.h"

#include <array>
#include <atomic>
#include <cstdint>

class ChannelBuffer;

// Sums the fourteen channel buffers into the output and limits the sum.
//
// Buffers are handed over without locks: the UI thread swaps a slot's pointer and keeps
// the old buffer until isReleased() says that no render can still be reading it.
class Mixer final : public AudioRenderer
{
public:
    explicit Mixer(int sampleRate);

    // UI thread: puts `buffer` (may be null) into slot `channel` (1 to 14) and returns the
    // buffer that was there, which the caller frees once isReleased(ticket) is true.
    ChannelBuffer *exchange(int channel, ChannelBuffer *buffer, std::uint64_t *ticket);
    // UI thread: true once no render can hold a buffer that was exchanged out under `ticket`.
    bool isReleased(std::uint64_t ticket) const;

    void render(float *interleavedStereo, std::size_t frames) noexcept override;

    int sampleRate() const { return m_sampleRate; }

private:
    int m_sampleRate;
    std::array<std::atomic<ChannelBuffer *>, ChannelTable::channelCount> m_slots{};
    std::atomic<bool> m_inRender{false};
    std::atomic<std::uint64_t> m_completedRenders{0};
    SafetyLimiter m_limiter;
};
