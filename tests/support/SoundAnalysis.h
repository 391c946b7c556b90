#pragma once

// Measurements on one stereo sound, loaded from a file or rendered: format, levels,
// spectrum and envelopes. Header-only, so that only the tests that use it need its
// libraries.

#include <ebur128.h>
#include <fftw3.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

class SoundAnalysis
{
public:
    static constexpr std::size_t kWelchSize = 8192;
    // 2048 frames divide the loop evenly, so envelopes made of them are periodic too.
    static constexpr std::size_t kEnvelopeFrame = 2048;
    static constexpr std::size_t kShortFrame = 256;

    explicit SoundAnalysis(const std::string &path)
    {
        SF_INFO info{};
        SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
        if (!file)
            return;
        m_info = info;
        std::vector<short> interleaved(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
        sf_readf_short(file, interleaved.data(), info.frames);
        sf_close(file);
        if (info.channels != 2)
            return;
        m_left.resize(static_cast<std::size_t>(info.frames));
        m_right.resize(static_cast<std::size_t>(info.frames));
        for (std::size_t i = 0; i < m_left.size(); ++i) {
            m_left[i] = interleaved[2 * i] / 32768.0f;
            m_right[i] = interleaved[2 * i + 1] / 32768.0f;
        }
        m_mono.resize(m_left.size());
        for (std::size_t i = 0; i < m_mono.size(); ++i)
            m_mono[i] = 0.5f * (m_left[i] + m_right[i]);
    }

    SoundAnalysis(std::vector<float> left, std::vector<float> right, int sampleRate)
        : m_left(std::move(left))
        , m_right(std::move(right))
    {
        m_info.samplerate = sampleRate;
        m_info.channels = 2;
        m_info.frames = static_cast<sf_count_t>(m_left.size());
        m_mono.resize(m_left.size());
        for (std::size_t i = 0; i < m_mono.size(); ++i)
            m_mono[i] = 0.5f * (m_left[i] + m_right[i]);
    }

    bool isLoaded() const { return !m_left.empty(); }
    const SF_INFO &info() const { return m_info; }
    const std::vector<float> &channel(int index) const { return index == 0 ? m_left : m_right; }
    const std::vector<float> &mono() const { return m_mono; }
    double sampleRate() const { return m_info.samplerate; }
    double seconds() const { return static_cast<double>(m_left.size()) / sampleRate(); }

    double integratedLoudness() const
    {
        std::unique_ptr<ebur128_state, void (*)(ebur128_state *)> state(
            ebur128_init(2, static_cast<unsigned long>(m_info.samplerate), EBUR128_MODE_I),
            [](ebur128_state *pointer) { ebur128_destroy(&pointer); });
        std::vector<float> interleaved(2 * m_left.size());
        for (std::size_t i = 0; i < m_left.size(); ++i) {
            interleaved[2 * i] = m_left[i];
            interleaved[2 * i + 1] = m_right[i];
        }
        ebur128_add_frames_float(state.get(), interleaved.data(), m_left.size());
        double loudness = 0.0;
        ebur128_loudness_global(state.get(), &loudness);
        return loudness;
    }

    double samplePeakDbfs() const
    {
        float peak = 0.0f;
        for (int index = 0; index < 2; ++index) {
            for (const float sample : channel(index))
                peak = std::max(peak, std::fabs(sample));
        }
        return 20.0 * std::log10(peak);
    }

    double largestDcOffset() const
    {
        double largest = 0.0;
        for (int index = 0; index < 2; ++index) {
            const auto &samples = channel(index);
            largest = std::max(largest, std::fabs(std::accumulate(samples.begin(), samples.end(), 0.0)
                                                  / static_cast<double>(samples.size())));
        }
        return largest;
    }

    // Welch power spectrum of both channels together: Hann windows, half overlap.
    const std::vector<double> &powerSpectrum() const
    {
        if (m_spectrum.empty())
            m_spectrum = welch();
        return m_spectrum;
    }

    double binHertz(std::size_t bin) const { return static_cast<double>(bin) * sampleRate() / kWelchSize; }

    // Power slope in decibels per octave, fitted through the octave bands from 63 Hz to 8 kHz.
    double octaveSlope() const
    {
        std::vector<double> octaves;
        std::vector<double> levels;
        for (int band = -4; band <= 3; ++band) {
            const double centre = 1000.0 * std::pow(2.0, band);
            const double low = centre / std::sqrt(2.0);
            const double high = std::min(centre * std::sqrt(2.0), 10000.0);
            double octaveSum = 0.0;
            double levelSum = 0.0;
            int bins = 0;
            for (std::size_t bin = 1; bin < powerSpectrum().size(); ++bin) {
                const double hertz = binHertz(bin);
                if (hertz < low || hertz >= high)
                    continue;
                octaveSum += std::log2(hertz);
                levelSum += 10.0 * std::log10(powerSpectrum()[bin]);
                ++bins;
            }
            octaves.push_back(octaveSum / bins);
            levels.push_back(levelSum / bins);
        }
        return fittedSlope(octaves, levels);
    }

    double centroidHertz() const
    {
        double weighted = 0.0;
        double total = 0.0;
        for (std::size_t bin = 1; bin < powerSpectrum().size(); ++bin) {
            weighted += binHertz(bin) * powerSpectrum()[bin];
            total += powerSpectrum()[bin];
        }
        return weighted / total;
    }

    double energyFraction(double lowHertz, double highHertz) const
    {
        double inside = 0.0;
        double total = 0.0;
        for (std::size_t bin = 1; bin < powerSpectrum().size(); ++bin) {
            const double hertz = binHertz(bin);
            total += powerSpectrum()[bin];
            if (hertz >= lowHertz && hertz < highHertz)
                inside += powerSpectrum()[bin];
        }
        return inside / total;
    }

    // How far a tone stands above the noise around it, in decibels.
    double toneProminence(double hertz) const
    {
        const auto centre = static_cast<std::size_t>(std::lround(hertz / binHertz(1)));
        double peak = 0.0;
        for (std::size_t bin = centre - 2; bin <= centre + 2; ++bin)
            peak = std::max(peak, powerSpectrum()[bin]);
        std::vector<double> surroundings;
        for (std::size_t bin = centre - 12; bin <= centre + 12; ++bin) {
            if (bin + 4 < centre || bin > centre + 4)
                surroundings.push_back(powerSpectrum()[bin]);
        }
        std::nth_element(surroundings.begin(), surroundings.begin() + surroundings.size() / 2, surroundings.end());
        return 10.0 * std::log10(peak / surroundings[surroundings.size() / 2]);
    }

    // Root mean square of both channels in consecutive frames of the given length.
    std::vector<double> frameRms(std::size_t frameLength) const
    {
        std::vector<double> result;
        for (std::size_t start = 0; start + frameLength <= m_left.size(); start += frameLength)
            result.push_back(rms(start, frameLength));
        return result;
    }

    double rms(std::size_t start, std::size_t length) const
    {
        double energy = 0.0;
        for (std::size_t i = start; i < start + length; ++i)
            energy += static_cast<double>(m_left[i]) * m_left[i] + static_cast<double>(m_right[i]) * m_right[i];
        return std::sqrt(energy / (2.0 * static_cast<double>(length)));
    }

    // Kurtosis of the short-term envelope after dividing out its one-second trend: high
    // when the sound is made of distinct events, about 3 for a steady noise.
    double envelopeKurtosis() const
    {
        const std::vector<double> envelope = frameRms(kShortFrame);
        const std::size_t reach = static_cast<std::size_t>(0.5 * sampleRate() / kShortFrame);
        std::vector<double> normalised(envelope.size());
        for (std::size_t i = 0; i < envelope.size(); ++i) {
            double trend = 0.0;
            for (std::size_t offset = 0; offset <= 2 * reach; ++offset)
                trend += envelope[(i + envelope.size() + offset - reach) % envelope.size()];
            normalised[i] = envelope[i] / (trend / static_cast<double>(2 * reach + 1));
        }
        return kurtosis(normalised);
    }

    double sampleKurtosis() const
    {
        return kurtosis(std::vector<double>(m_mono.begin(), m_mono.end()));
    }

    // Clicks: samples standing out from the level of their 93 ms frame by the given
    // factor, counted once per 20 ms. Gaussian noise reaches seven times its RMS about
    // once in a hundred billion samples.
    int clickCount(double factor) const
    {
        const std::vector<double> levels = frameRms(kEnvelopeFrame);
        const auto deadTime = static_cast<std::size_t>(0.02 * sampleRate());
        int clicks = 0;
        std::size_t quietUntil = 0;
        for (std::size_t i = 0; i < levels.size() * kEnvelopeFrame; ++i) {
            if (i < quietUntil)
                continue;
            const double threshold = factor * levels[i / kEnvelopeFrame];
            if (std::fabs(m_left[i]) > threshold || std::fabs(m_right[i]) > threshold) {
                ++clicks;
                quietUntil = i + deadTime;
            }
        }
        return clicks;
    }

    // Frequency of the strongest slow change of level, from the spectrum of the loop's envelope.
    double modulationPeakHertz() const
    {
        const std::vector<double> envelope = frameRms(kEnvelopeFrame);
        const double mean = std::accumulate(envelope.begin(), envelope.end(), 0.0) / static_cast<double>(envelope.size());
        std::size_t strongest = 1;
        double strongestPower = 0.0;
        for (std::size_t k = 1; k < envelope.size() / 2; ++k) {
            std::complex<double> sum;
            for (std::size_t i = 0; i < envelope.size(); ++i)
                sum += (envelope[i] - mean)
                       * std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k * i) / static_cast<double>(envelope.size()));
            if (std::norm(sum) > strongestPower) {
                strongestPower = std::norm(sum);
                strongest = k;
            }
        }
        return static_cast<double>(strongest) / seconds();
    }

    // Standard deviation of the level of 93 ms frames, in decibels.
    double levelSpreadDecibels() const
    {
        return standardDeviation(frameLevels());
    }

    // Correlation between the level of 93 ms frames and their spectral centroid.
    double levelBrightnessCorrelation() const
    {
        return correlation(frameLevels(), frameCentroids());
    }

    static double kurtosis(const std::vector<double> &values)
    {
        const double mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
        double second = 0.0;
        double fourth = 0.0;
        for (const double value : values) {
            const double deviation = (value - mean) * (value - mean);
            second += deviation;
            fourth += deviation * deviation;
        }
        second /= static_cast<double>(values.size());
        fourth /= static_cast<double>(values.size());
        return fourth / (second * second);
    }

private:
    std::vector<double> welch() const
    {
        std::vector<double> power(kWelchSize / 2 + 1, 0.0);
        std::unique_ptr<double[], decltype(&fftw_free)> input(fftw_alloc_real(kWelchSize), fftw_free);
        std::unique_ptr<fftw_complex[], decltype(&fftw_free)> output(fftw_alloc_complex(kWelchSize / 2 + 1), fftw_free);
        fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(kWelchSize), input.get(), output.get(), FFTW_ESTIMATE);
        const std::vector<double> window = hann(kWelchSize);
        for (int index = 0; index < 2; ++index) {
            const auto &samples = channel(index);
            for (std::size_t start = 0; start + kWelchSize <= samples.size(); start += kWelchSize / 2) {
                for (std::size_t i = 0; i < kWelchSize; ++i)
                    input[i] = window[i] * samples[start + i];
                fftw_execute(plan);
                for (std::size_t bin = 0; bin < power.size(); ++bin)
                    power[bin] += output[bin][0] * output[bin][0] + output[bin][1] * output[bin][1];
            }
        }
        fftw_destroy_plan(plan);
        return power;
    }

    std::vector<double> frameLevels() const
    {
        std::vector<double> levels;
        for (const double value : frameRms(kEnvelopeFrame))
            levels.push_back(20.0 * std::log10(value + 1e-9));
        return levels;
    }

    std::vector<double> frameCentroids() const
    {
        std::unique_ptr<double[], decltype(&fftw_free)> input(fftw_alloc_real(kEnvelopeFrame), fftw_free);
        std::unique_ptr<fftw_complex[], decltype(&fftw_free)> output(fftw_alloc_complex(kEnvelopeFrame / 2 + 1), fftw_free);
        fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(kEnvelopeFrame), input.get(), output.get(), FFTW_ESTIMATE);
        const std::vector<double> window = hann(kEnvelopeFrame);
        std::vector<double> centroids;
        for (std::size_t start = 0; start + kEnvelopeFrame <= m_mono.size(); start += kEnvelopeFrame) {
            for (std::size_t i = 0; i < kEnvelopeFrame; ++i)
                input[i] = window[i] * m_mono[start + i];
            fftw_execute(plan);
            double weighted = 0.0;
            double total = 0.0;
            for (std::size_t bin = 1; bin <= kEnvelopeFrame / 2; ++bin) {
                const double power = output[bin][0] * output[bin][0] + output[bin][1] * output[bin][1];
                weighted += static_cast<double>(bin) * power;
                total += power;
            }
            centroids.push_back(weighted / total * sampleRate() / kEnvelopeFrame);
        }
        fftw_destroy_plan(plan);
        return centroids;
    }

    static std::vector<double> hann(std::size_t size)
    {
        std::vector<double> window(size);
        for (std::size_t i = 0; i < size; ++i)
            window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(size));
        return window;
    }

    static double fittedSlope(const std::vector<double> &x, const std::vector<double> &y)
    {
        const double meanX = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
        const double meanY = std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(y.size());
        double covariance = 0.0;
        double variance = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            covariance += (x[i] - meanX) * (y[i] - meanY);
            variance += (x[i] - meanX) * (x[i] - meanX);
        }
        return covariance / variance;
    }

    static double standardDeviation(const std::vector<double> &values)
    {
        const double mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
        double variance = 0.0;
        for (const double value : values)
            variance += (value - mean) * (value - mean);
        return std::sqrt(variance / static_cast<double>(values.size()));
    }

    static double correlation(const std::vector<double> &a, const std::vector<double> &b)
    {
        const double meanA = std::accumulate(a.begin(), a.end(), 0.0) / static_cast<double>(a.size());
        const double meanB = std::accumulate(b.begin(), b.end(), 0.0) / static_cast<double>(b.size());
        double covariance = 0.0;
        double varianceA = 0.0;
        double varianceB = 0.0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            covariance += (a[i] - meanA) * (b[i] - meanB);
            varianceA += (a[i] - meanA) * (a[i] - meanA);
            varianceB += (b[i] - meanB) * (b[i] - meanB);
        }
        return covariance / std::sqrt(varianceA * varianceB);
    }

    SF_INFO m_info{};
    std::vector<float> m_left;
    std::vector<float> m_right;
    std::vector<float> m_mono;
    mutable std::vector<double> m_spectrum;
};
