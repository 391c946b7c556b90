#pragma once

#include "synth/FftwPlanner.h"
#include "synth/NoiseTable.h"

#include <cstddef>
#include <memory>
#include <vector>

#include <fftw3.h>

// Filters short events through a response without shifting them in time, as a filter over a
// whole loop would: the event is placed in a stretch of silence long enough for the
// filter's ringing to die away on both sides, and multiplied by the response in the
// frequency domain.
//
// Made and used off the audio thread: it plans FFTs.
class ZeroPhaseFilter
{
public:
    // Stretches of `frames`, a power of two; `sampleRate` places the response's frequencies.
    ZeroPhaseFilter(const NoiseTable::Response &response, std::size_t frames, double sampleRate);
    ~ZeroPhaseFilter();

    ZeroPhaseFilter(const ZeroPhaseFilter &) = delete;
    ZeroPhaseFilter &operator=(const ZeroPhaseFilter &) = delete;

    std::size_t frames() const { return m_frames; }

    // `event` with its onset at frame `onset` of the stretch, filtered; what does not fit in
    // the stretch is left out. Valid until the next call.
    const double *filter(const std::vector<float> &event, std::size_t onset);

private:
    std::size_t m_frames;
    std::unique_ptr<double[], FftwDeleter> m_samples;
    std::unique_ptr<fftw_complex[], FftwDeleter> m_spectrum;
    std::vector<double> m_gains;
    fftw_plan m_forward = nullptr;
    fftw_plan m_backward = nullptr;
};
