#pragma once

#include "engine/ChannelTable.h"
#include "engine/MixDrift.h"
#include "engine/OutputGain.h"
#include "dsp/LookAheadLimiter.h"
#include "platform/AudioRenderer.h"

#include <array>
#include <atomic>
#include <cstdint>

class ChannelBuffer;

// Sums the fourteen channel buffers, and any retired buffers still fading out, into the
// output, passes the sum through the output's own gain (pause and sleep level) and limits
// it. The drift's offsets reach each channel before it is mixed.
//
// Buffers are handed over without locks: the UI thread swaps a slot's pointer and keeps
// the old buffer until isReleased() says that no render can still be reading it.
class Mixer final : public AudioRenderer
{
public:
    static constexpr int fadingSlots = 2 * ChannelTable::channelCount;

    // `driftSeed` draws the channels' drift paths.
    explicit Mixer(int sampleRate, std::uint32_t driftSeed = 1);

    // UI thread: puts `buffer` (may be null) into slot `channel` (1 to 14) and returns the
    // buffer that was there, which the caller frees once isReleased(ticket) is true.
    ChannelBuffer *exchange(int channel, ChannelBuffer *buffer, std::uint64_t *ticket);
    // UI thread: keeps mixing `buffer`, which the caller has stopped, so that it fades out
    // instead of falling silent at once. Returns the fading slot, or -1 when all are taken.
    int keepFading(ChannelBuffer *buffer);
    // UI thread: takes the buffer out of fading slot `slot`; it may be freed once
    // isReleased(ticket) is true.
    void endFading(int slot, std::uint64_t *ticket);
    // UI thread: true once no render can hold a buffer that was taken out under `ticket`.
    bool isReleased(std::uint64_t ticket) const;

    void render(float *interleavedStereo, std::size_t frames) noexcept override;

    int sampleRate() const { return m_sampleRate; }
    OutputGain &outputGain() { return m_outputGain; }
    MixDrift &drift() { return m_drift; }
    const MixDrift &drift() const { return m_drift; }
    // Frames by which the limiter delays the mix.
    int latency() const { return m_limiter.latency(); }

private:
    std::uint64_t ticketForRemoval() const;

    int m_sampleRate;
    std::array<std::atomic<ChannelBuffer *>, ChannelTable::channelCount> m_slots{};
    std::array<std::atomic<ChannelBuffer *>, fadingSlots> m_fading{};
    std::atomic<bool> m_inRender{false};
    std::atomic<std::uint64_t> m_completedRenders{0};
    OutputGain m_outputGain;
    MixDrift m_drift;
    LookAheadLimiter m_limiter;
};
