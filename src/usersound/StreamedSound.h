#pragma once

#include "synth/LiveSound.h"

#include <atomic>
#include <cstdint>
#include <memory>

class FileDecoder;
class FileFeed;

// A user's sound file as a live sound: frames at twice the file's own rate, doubled through
// the half-band kernel, taken from its feed's ring. On the audio thread the decoder thread
// keeps the ring filled; when it falls behind, the sound fades to silence before the ring
// runs dry and back in once it has frames to spare, rather than wait. An offline stream, for
// a render that runs faster than real time, calls the decoder in once its ring is half empty
// and reads the file itself whenever the decoder has not kept up, so a render decodes on two
// cores and never misses a frame.
//
// Made and destroyed on any thread but the audio thread; destroying it lets the decoder drop
// the feed. generate() on the audio thread never waits; an offline one may.
class StreamedSound final : public LiveSound
{
public:
    // `decoder` reads the feed ahead; an offline stream wakes it. `rate` is the file's.
    StreamedSound(std::shared_ptr<FileFeed> feed, int rate, bool offline, FileDecoder &decoder);
    ~StreamedSound() override;

    int ownRate() const noexcept override { return m_rate; }
    int rate() const noexcept override { return 2 * m_rate; }
    bool halfBandDoubled() const noexcept override { return true; }
    void generate(float *left, float *right, std::size_t frames) noexcept override;
    // Copies the ring's frames while the sound plays steadily; fading, it leaves it to generate().
    bool generateSamples(std::int16_t *stereo, std::size_t frames) noexcept override;

    // Times the ring ran short and the sound faded out.
    std::uint64_t underruns() const { return m_underruns.load(std::memory_order_relaxed); }

private:
    void keepUp(std::int64_t frames) noexcept;
    void ramp(float *left, float *right, std::size_t frames, bool rising) noexcept;

    std::shared_ptr<FileFeed> m_feed;
    FileDecoder &m_decoder;
    int m_rate;
    bool m_offline;
    // Frames the ring must hold beyond a block for the sound to go on: a whole fade-out.
    std::int64_t m_reserve;
    float m_step;
    float m_level = 1.0f;
    bool m_starved = false;
    std::atomic<std::uint64_t> m_underruns{0};
};
