#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A looping sound at twice its own rate, through the doubling kernel (SincTable): what the
// resampler reads. 16-bit stereo like the sound, with the loop's neighbours copied around
// it so that a reader's window never wraps by hand.
class DoubledSound
{
public:
    // Frames -margin .. frames() + margin - 1 exist; those outside the loop repeat it. A
    // resampler's chunk that crosses the loop's end reads up to about 600 frames past it.
    static constexpr std::int64_t margin = 1024;
    // A sample of 1 in floating point, in the 16-bit frames the resampler reads: every stream
    // written for it (a live sound, a user's file) is scaled by this.
    static constexpr float fullScale = 32768.0f;

    // From `frames` (at least one) interleaved stereo frames, the whole of a loop. Takes
    // a few milliseconds per minute of sound; any thread but the audio thread.
    DoubledSound(const std::int16_t *interleaved, std::size_t frames);

    std::int64_t frames() const { return m_frames; }
    const std::int16_t *frameData() const { return m_samples.get() + 2 * margin; }

private:
    // Every sample is written once; zeroing them first would cost as much again.
    std::unique_ptr<std::int16_t[]> m_samples;
    std::int64_t m_frames;
};
