#include "synth/ToneCycle.h"

#include "synth/Waveform.h"

#include <cmath>
#include <cstdint>

ToneCycle::ToneCycle(std::size_t rows, std::size_t frames, double sampleRate)
    : m_frames(frames)
    , m_sampleRate(sampleRate)
    , m_rows(rows, std::vector<float>(frames, 0.0f))
{
}

void ToneCycle::add(std::size_t row, const Waveform &wave, double hertz)
{
    const auto cycles = static_cast<std::uint64_t>(std::llround(hertz * static_cast<double>(m_frames) / m_sampleRate));
    std::vector<float> &samples = m_rows[row];
    for (std::size_t i = 0; i < m_frames; ++i) {
        // Worked out from the frame's place in whole numbers, so that no rounding piles up.
        const std::uint64_t within = static_cast<std::uint64_t>(i) * cycles % m_frames;
        samples[i] += wave.at(static_cast<std::uint32_t>((within << 32) / m_frames));
    }
}

void ToneCycle::addTo(float *left, float *right, std::size_t frames, std::size_t leftRow, std::size_t rightRow) noexcept
{
    play(frames, [&](std::size_t done, std::size_t length) {
        const float *fromLeft = at(leftRow);
        const float *fromRight = at(rightRow);
        float *toLeft = left + done;
        float *toRight = right + done;
        for (std::size_t i = 0; i < length; ++i) {
            toLeft[i] += fromLeft[i];
            toRight[i] += fromRight[i];
        }
    });
}
