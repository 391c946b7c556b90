#pragma once

#include <cstdint>

// The running phase of a steady tone, as a 32-bit fraction of a cycle that wraps by itself:
// however long it runs, it neither drifts in frequency nor loses precision, unlike a phase
// kept in floating point or a recursive sine, whose rounding piles up over hours.
//
// Made off the audio thread; next() is the audio thread's.
class TonePhase
{
public:
    TonePhase(double hertz, double sampleRate);

    // This sample's phase, moving on to the next sample's.
    std::uint32_t next() noexcept
    {
        const std::uint32_t phase = m_phase;
        m_phase += m_step;
        return phase;
    }

private:
    std::uint32_t m_step;
    std::uint32_t m_phase = 0;
};
