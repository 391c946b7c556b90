#pragma once

#include "synth/NoiseTable.h"

#include <initializer_list>

// Independent noises of different spectra and levels summed, as the response of a single
// noise with the sum's spectrum: one bed to read on the audio thread instead of one per part.
class NoiseMixture
{
public:
    struct Part
    {
        NoiseTable::Response magnitude;
        // The part's RMS in the sum.
        double rms;
    };

    // For tables of `frames` at `sampleRate`, as the bed makes them.
    NoiseMixture(std::initializer_list<Part> parts, std::size_t frames, double sampleRate);

    // Noise of this response at an RMS of rms() is the sum of the parts.
    const NoiseTable::Response &response() const { return m_response; }
    double rms() const { return m_rms; }

private:
    NoiseTable::Response m_response;
    double m_rms = 0.0;
};
