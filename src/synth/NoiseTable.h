#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class Random;

// One period of shaped Gaussian noise per side: every frequency bin at exactly the given
// amplitude, each with a random phase. The table is periodic, so a reader wraps round it
// without a seam; each side has an RMS of 1.
//
// Made off the audio thread (an FFT of the table's length, a few milliseconds); read anywhere.
class NoiseTable
{
public:
    using Response = std::function<double(double hertz)>;
    // The amplitude of every bin of a table, from 0 Hz to half its rate.
    using Bins = std::vector<double>;

    // Nothing at or above this is made: the band of the shipped sounds' rate, whatever the
    // table's own rate.
    static constexpr double bandHertz = 11025.0;

    // `frames` is a power of two; `sampleRate` places the bins.
    NoiseTable(const Response &magnitude, std::size_t frames, double sampleRate, Random &random);
    // From bins already worked out: a response takes longer to evaluate at every bin than
    // the table takes to make, so tables of one response share its bins.
    NoiseTable(const Bins &bins, Random &random);

    // The bins of a table of `frames` (a power of two) at `sampleRate`.
    static Bins binsOf(const Response &magnitude, std::size_t frames, double sampleRate);

    std::size_t frames() const { return m_frames; }
    const float *side(int index) const { return index == 0 ? m_left.get() : m_right.get(); }

    // One side of shaped noise, as the table makes it; the left is drawn before the right.
    static std::unique_ptr<float[]> shapedNoise(const Response &magnitude, std::size_t frames, double sampleRate,
                                                Random &random);
    static std::unique_ptr<float[]> shapedNoise(const Bins &bins, Random &random);
    // The power that noise of unit power keeps through `magnitude`: what a response takes
    // from a noise's level before a table brings it back to an RMS of 1.
    static double power(const Response &magnitude, double sampleRate);

private:
    std::size_t m_frames;
    std::unique_ptr<float[]> m_left;
    std::unique_ptr<float[]> m_right;
};
