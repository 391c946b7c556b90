#pragma once

#include <cstddef>
#include <cstdint>

// A sound made endlessly, block by block, in stereo at the common loudness of the shipped
// sounds (full scale is 1). Its own rate is 22050 Hz, the rate of its file and the one a
// channel plays it at unless told otherwise (a sound that plays a file has the file's). It may
// be made at that rate, or at twice it with nothing above half its own rate: the form in which
// the player reads every sound, so that a sound made so is played without a doubling pass,
// the largest cost of playing it.
//
// Made and destroyed on any thread but the audio thread: the constructor does all the
// allocating and the heavy making (noise tables, event shapes). generate() runs on the audio
// thread: it never allocates, locks, logs or waits, and its cost per frame is bounded.
class LiveSound
{
public:
    static constexpr int sampleRate = 22050;
    static constexpr int doubledRate = 2 * sampleRate;

    virtual ~LiveSound() = default;

    // The rate its frames are meant to be heard at: sampleRate for the sounds made here; a
    // sound that plays a file has its file's.
    virtual int ownRate() const noexcept { return sampleRate; }
    // The rate generate() makes frames at: ownRate() or twice it.
    virtual int rate() const noexcept { return ownRate(); }
    // For a sound made at twice its own rate: true when it was doubled through a half-band
    // kernel, which keeps the band to 0.45 of its own rate and lets its transition, up to 0.55,
    // stand above it; false when nothing of it lies above half its own rate.
    virtual bool halfBandDoubled() const noexcept { return false; }
    // Overwrites `frames` frames of each side, at rate(), and moves the sound on.
    virtual void generate(float *left, float *right, std::size_t frames) noexcept = 0;
    // The same as interleaved 16-bit frames (full scale 32768), for a sound that holds its
    // frames so already and need not convert them twice; false, having made nothing, when the
    // sound cannot now, and generate() is to be called instead.
    virtual bool generateSamples(std::int16_t * /*stereo*/, std::size_t /*frames*/) noexcept { return false; }
};
