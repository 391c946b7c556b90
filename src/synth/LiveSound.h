#pragma once

#include <cstddef>

// A sound made endlessly, block by block, at 22050 Hz stereo, at the common loudness of the
// shipped sounds (full scale is 1).
//
// Made and destroyed on any thread but the audio thread: the constructor does all the
// allocating and the heavy making (noise tables, event shapes). generate() runs on the audio
// thread: it never allocates, locks, logs or waits, and its cost per frame is bounded.
class LiveSound
{
public:
    static constexpr int sampleRate = 22050;

    virtual ~LiveSound() = default;

    // Overwrites `frames` frames of each side and moves the sound on.
    virtual void generate(float *left, float *right, std::size_t frames) noexcept = 0;
};
