#pragma once

#include "usersound/FrameRing.h"
#include "usersound/LoopPlan.h"

#include "dsp/RunningDoubler.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class SoundFileReader;

// One stream of a user's sound file on its way to the audio thread: reads the file round its
// loop, cross-fading the end into the frames before the loop's start, at the sound's gain,
// and doubles it through the half-band kernel, the form the player reads, into a ring that
// the audio thread empties. Doubling here rather than on the audio thread moves the largest
// cost of playing a file but reading it off that thread, to the decoder's.
//
// topUp() runs on the decoder thread, and on a render's own thread too, and may wait on the
// disk; the ring's other end is the audio thread's, or the render's. A failure, the file gone or
// unreadable, is final and raised on a flag that the sound's owner shares.
class FileFeed
{
public:
    // Frames read from the file at a time.
    static constexpr std::int64_t chunkFrames = 4096;

    // `head` holds the loop's first `plan.fade` frames as the file has them; playing starts
    // at `first`. The ring holds `ringFrames` frames at twice the file's rate, as do all counts
    // of the ring's frames below.
    FileFeed(std::unique_ptr<SoundFileReader> reader, const LoopPlan &plan, float gain,
             std::shared_ptr<const std::vector<float>> head, std::int64_t ringFrames, std::int64_t first,
             std::shared_ptr<std::atomic<bool>> lost);
    ~FileFeed();

    FrameRing &ring() { return m_ring; }

    // Adds up to `most` frames to the ring, as far as it has room; true when it has room for
    // more still. False, too, once the file has failed. Two threads may top a feed up, the
    // decoder and a render's; they take turns.
    bool topUp(std::int64_t most);
    // The same, unless the other thread is at it: then false at once.
    bool topUpUnlessBusy(std::int64_t most);
    bool hasFailed() const { return m_failed.load(std::memory_order_acquire); }

    // The audio side no longer wants the feed: the decoder lets go of it.
    void abandon() { m_abandoned.store(true, std::memory_order_release); }
    bool isAbandoned() const { return m_abandoned.load(std::memory_order_acquire); }

private:
    bool fill(std::int64_t most);
    std::int64_t produce(float *stereo, std::int64_t frames);
    std::int64_t doubleChunk(std::int64_t frames) noexcept;
    void crossFade(float *stereo, std::int64_t frames) const;
    void fail();

    std::mutex m_producing;
    std::unique_ptr<SoundFileReader> m_reader;
    LoopPlan m_plan;
    float m_gain;
    std::shared_ptr<const std::vector<float>> m_head;
    FrameRing m_ring;
    std::vector<float> m_chunk;
    RunningDoubler m_doubler;
    std::int64_t m_position = 0;
    std::int64_t m_seekTo;
    std::shared_ptr<std::atomic<bool>> m_lost;
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_abandoned{false};
};
