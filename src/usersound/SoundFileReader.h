#pragma once

#include <cstdint>

// One open sound file as a user-sound stream reads it: stereo frames at the file's own rate,
// full scale 1 (mono on both sides, more channels down-mixed), from any frame on.
//
// Used by one thread at a time: the thread that opened it, then the decoder thread. Every
// call may wait on the disk for as long as the disk takes, so none is ever made on the audio
// thread.
class SoundFileReader
{
public:
    virtual ~SoundFileReader() = default;

    virtual int sampleRate() const = 0;
    virtual std::int64_t frames() const = 0;
    // Moves to frame `frame` (0 <= frame < frames()); false when the file can no longer be read.
    virtual bool seek(std::int64_t frame) = 0;
    // Reads up to `frames` interleaved stereo frames into `stereo`: as many as asked unless the
    // file ends first, -1 once the file has gone away or can no longer be read.
    virtual std::int64_t read(float *stereo, std::int64_t frames) = 0;
};
