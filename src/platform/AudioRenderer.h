#pragma once

#include <cstddef>

// The source of the sound that an AudioOutput plays.
//
// Contract: render() is called only on the output's audio thread (or, for the offline
// output, on the thread that asks for frames). It must fill exactly `frames` interleaved
// stereo float frames at the output's sample rate, and must never lock, allocate, log or
// wait: a late render is an audible drop-out.
class AudioRenderer
{
public:
    virtual ~AudioRenderer() = default;
    virtual void render(float *interleavedStereo, std::size_t frames) noexcept = 0;
};
