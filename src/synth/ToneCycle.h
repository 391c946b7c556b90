#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

class Waveform;

// A steady tone over one period after which it repeats exactly, a whole number of frames
// long, tabulated once: playing it then costs a read a sample, where working it out as it
// plays costs an interpolated look-up for every wave in it, the largest part of a sound
// that is little more than a noise bed and a hum. Being whole, the period also keeps the
// tone in tune however long it plays.
//
// It holds several rows (the two sides of a tone, or a tone and the throb that goes with
// it), all read from one place.
//
// Made off the audio thread; addTo(), play() and at() are the audio thread's.
class ToneCycle
{
public:
    // `rows` rows of silence, `frames` long at `sampleRate`.
    ToneCycle(std::size_t rows, std::size_t frames, double sampleRate);

    // Adds `wave` at `hertz` to row `row`, at phase zero at the period's start. The wave
    // is tuned to the nearest frequency that fits a whole number of cycles into the period,
    // so that it meets itself where the period ends.
    void add(std::size_t row, const Waveform &wave, double hertz);

    // Adds the next `frames` frames of row `leftRow` to `left` and of `rightRow` to `right`.
    void addTo(float *left, float *right, std::size_t frames, std::size_t leftRow, std::size_t rightRow) noexcept;

    // Plays the next `frames` frames in stretches that the period's end does not cut:
    // calls `stretch(done, length)` for each, in which at() reads its `length` frames, the
    // first of them the frames' `done`th.
    template<typename Stretch>
    void play(std::size_t frames, Stretch &&stretch) noexcept
    {
        for (std::size_t done = 0; done < frames;) {
            const std::size_t length = std::min(frames - done, m_frames - m_place);
            stretch(done, length);
            m_place += length;
            if (m_place == m_frames)
                m_place = 0;
            done += length;
        }
    }
    // Row `row` from the read place on.
    const float *at(std::size_t row) const noexcept { return m_rows[row].data() + m_place; }

private:
    std::size_t m_frames;
    double m_sampleRate;
    std::vector<std::vector<float>> m_rows;
    std::size_t m_place = 0;
};
