#pragma once

#include "dsp/DoubledSound.h"
#include "dsp/Doubler.h"
#include "dsp/RunningDoubler.h"

#include <array>
#include <cstdint>
#include <memory>

class LiveSound;

// A live sound as the resampler reads it: a ring of doubled frames, laid out like a stored
// sound's doubled copy (a loop with its neighbours around it), that is written afresh just
// ahead of the reader, so that the loop the resampler believes it plays never comes round.
//
// A sound made at twice its own rate is written to the ring as it comes; one made at its own
// rate, whatever that is, is doubled on the way, through the half-band kernel, which keeps
// the sound's band up to 0.45 of its rate.
//
// Made off the audio thread, which also makes the sound's first frames; after that only the
// audio thread touches it. fillAhead() makes what the next read needs, in batches of up to
// half the ring, and neither allocates nor waits.
class LiveStream
{
public:
    // Doubled frames in the ring: the reader never needs more than a quarter of it ahead.
    // Its size sets the batches below: 256 KB a channel.
    static constexpr std::int64_t ringFrames = std::int64_t{1} << 16;
    // Live frames made and doubled at a time: enough that what each block costs whatever its
    // length (setting up the sound's parts, the doubler's history) is small beside its frames.
    static constexpr std::int64_t blockFrames = 256;
    // Once the frames made ahead run short, this many are made ahead at once. Playback asks
    // for sound in short bursts, and each finds the sound's code and tables gone from the
    // caches: making it in a few long runs rather than in every burst pays that far less often.
    // A batch is some three quarters of a second of a sound at its own rate, a burst's work
    // every twenty bursts or so; longer batches gained no more.
    static constexpr std::int64_t batchFrames = ringFrames / 2;

    explicit LiveStream(std::unique_ptr<LiveSound> sound);
    ~LiveStream();

    const std::int16_t *frameData() const { return m_ring.get() + 2 * DoubledSound::margin; }
    std::int64_t frames() const { return ringFrames; }
    // How the ring's frames were doubled; a sound made doubled counts as steeply doubled unless
    // it says it was doubled through the half-band kernel.
    Doubler::Kernel doubling() const;

    // Audio thread: the reader stands at ring frame `position` and reads up to `reach` frames
    // past it next; makes sure they are all new sound.
    void fillAhead(std::int64_t position, std::int64_t reach) noexcept;

private:
    void makeBlock() noexcept;
    void makeDoubledBlock() noexcept;
    // Where ring frame `frame` (which may lie within a margin beyond either end) is held.
    std::int16_t *slot(std::int64_t frame) noexcept;
    void mirror(std::int64_t frame) noexcept;

    std::unique_ptr<LiveSound> m_sound;
    std::unique_ptr<std::int16_t[]> m_ring;
    bool m_madeDoubled;
    // A sound made at its own rate is doubled through this; one made doubled is made into the
    // two sides below.
    std::unique_ptr<RunningDoubler> m_doubler;
    alignas(32) std::array<float, 2 * blockFrames> m_left{};
    alignas(32) std::array<float, 2 * blockFrames> m_right{};
    std::int64_t m_made = 0;
    std::int64_t m_read = 0;
    std::int64_t m_position = 0;
};
