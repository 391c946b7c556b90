#pragma once

#include <cstddef>

// Keeps a sound's rare highest peaks below a ceiling without a hard edge: samples below the
// knee pass untouched, and above it they bend smoothly towards the ceiling, never passing it.
// What passes the knee is so rare and short that the bend is heard as nothing.
//
// apply() is the audio thread's: a comparison per sample, a little more for the few above.
class SoftCeiling
{
public:
    SoftCeiling(float knee, float ceiling);

    void apply(float *samples, std::size_t count) const noexcept;

private:
    float bent(float sample) const noexcept;

    float m_knee;
    float m_room;
};
