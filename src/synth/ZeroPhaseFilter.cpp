#include "synth/ZeroPhaseFilter.h"

#include "synth/FftwPlanner.h"

#include <algorithm>
#include <mutex>

ZeroPhaseFilter::ZeroPhaseFilter(const NoiseTable::Response &response, std::size_t frames, double sampleRate)
    : m_frames(frames)
    , m_samples(fftw_alloc_real(frames))
    , m_spectrum(fftw_alloc_complex(frames / 2 + 1))
    , m_gains(frames / 2 + 1)
{
    const auto size = static_cast<double>(frames);
    for (std::size_t bin = 0; bin < m_gains.size(); ++bin)
        m_gains[bin] = response(static_cast<double>(bin) * sampleRate / size) / size;
    const std::lock_guard guard(FftwPlanner::lock());
    m_forward = fftw_plan_dft_r2c_1d(static_cast<int>(frames), m_samples.get(), m_spectrum.get(), FFTW_ESTIMATE);
    m_backward = fftw_plan_dft_c2r_1d(static_cast<int>(frames), m_spectrum.get(), m_samples.get(), FFTW_ESTIMATE);
}

ZeroPhaseFilter::~ZeroPhaseFilter()
{
    const std::lock_guard guard(FftwPlanner::lock());
    fftw_destroy_plan(m_forward);
    fftw_destroy_plan(m_backward);
}

const double *ZeroPhaseFilter::filter(const std::vector<float> &event, std::size_t onset)
{
    std::fill(m_samples.get(), m_samples.get() + m_frames, 0.0);
    std::copy_n(event.begin(), std::min(event.size(), m_frames - onset), m_samples.get() + onset);
    fftw_execute(m_forward);
    for (std::size_t bin = 0; bin < m_gains.size(); ++bin) {
        m_spectrum[bin][0] *= m_gains[bin];
        m_spectrum[bin][1] *= m_gains[bin];
    }
    fftw_execute(m_backward);
    return m_samples.get();
}
