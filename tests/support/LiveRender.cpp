#include "LiveRender.h"

#include "synth/HalfRate.h"
#include "synth/LiveSound.h"
#include "synth/LiveSounds.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>

LiveRender::Stereo LiveRender::render(std::string_view name, double seconds, std::uint64_t seed)
{
    const std::unique_ptr<LiveSound> sound = LiveSounds::make(name, seed);
    if (!sound)
        return {};
    const bool doubled = sound->rate() == LiveSound::doubledRate;
    const auto frames = static_cast<std::size_t>(seconds * sound->rate());
    Stereo out{std::vector<float>(frames), std::vector<float>(frames)};
    constexpr std::size_t block = 441;
    for (std::size_t first = 0; first < frames; first += block)
        sound->generate(out.left.data() + first, out.right.data() + first, std::min(block, frames - first));
    if (doubled)
        out = {HalfRate::halve(out.left), HalfRate::halve(out.right)};
    return out;
}

std::vector<std::size_t> LiveRender::stretchStarts(double seconds)
{
    const auto frame = [](double at) { return static_cast<std::size_t>(at * LiveSound::sampleRate); };
    if (seconds < 600.0)
        return {frame(0.5 * seconds), frame(0.68 * seconds), frame(0.85 * seconds), frame(0.97 * seconds)};
    std::vector<std::size_t> starts;
    for (double at = 0.5 * seconds; at + 2.0 <= seconds; at += 10.0)
        starts.push_back(frame(at));
    return starts;
}

LiveRender::Match LiveRender::bestEarlierMatch(const std::vector<float> &signal, const std::vector<std::size_t> &firsts,
                                               std::size_t count)
{
    const std::size_t end = *std::max_element(firsts.begin(), firsts.end()) + count;
    std::size_t size = 1;
    while (size < end)
        size *= 2;
    // A lag that ends before the stretch begins never reaches the signal after it, so the
    // whole signal's transform serves every stretch, and no product wraps round.
    std::vector<double> frames(size, 0.0);
    std::copy(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(end), frames.begin());
    std::vector<std::complex<double>> whole(size / 2 + 1);
    std::vector<std::complex<double>> part(size / 2 + 1);
    std::vector<double> product(size);
    auto *wholeBins = reinterpret_cast<fftw_complex *>(whole.data());
    auto *partBins = reinterpret_cast<fftw_complex *>(part.data());
    fftw_plan forward = fftw_plan_dft_r2c_1d(static_cast<int>(size), frames.data(), wholeBins, FFTW_ESTIMATE);
    fftw_execute(forward);
    fftw_destroy_plan(forward);
    std::vector<double> energy(end + 1, 0.0);
    for (std::size_t i = 0; i < end; ++i)
        energy[i + 1] = energy[i] + static_cast<double>(signal[i]) * signal[i];

    fftw_plan stretch = fftw_plan_dft_r2c_1d(static_cast<int>(size), frames.data(), partBins, FFTW_ESTIMATE);
    fftw_plan back = fftw_plan_dft_c2r_1d(static_cast<int>(size), partBins, product.data(), FFTW_ESTIMATE);
    Match best{firsts.front(), 0.0};
    for (const std::size_t first : firsts) {
        std::fill(frames.begin(), frames.end(), 0.0);
        std::copy_n(signal.begin() + static_cast<std::ptrdiff_t>(first), count, frames.begin());
        fftw_execute(stretch);
        for (std::size_t bin = 0; bin < part.size(); ++bin)
            part[bin] = whole[bin] * std::conj(part[bin]);
        fftw_execute(back);
        const double own = energy[first + count] - energy[first];
        for (std::size_t lag = 0; lag + count <= first; ++lag) {
            const double there = energy[lag + count] - energy[lag];
            const double correlation = there > 0.0 ? product[lag] / static_cast<double>(size) / std::sqrt(own * there) : 0.0;
            if (correlation > best.correlation)
                best = {first, correlation};
        }
    }
    fftw_destroy_plan(stretch);
    fftw_destroy_plan(back);
    return best;
}
