#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A whole sound file held in memory as 16-bit stereo, with the loop's neighbours copied
// around it so that a four-point interpolator can read frames i-1..i+2 of any frame i
// without wrapping by hand.
class SoundData
{
public:
    // Reads any PCM or float WAV file that libsndfile knows, mono or stereo, at its own
    // rate. Returns null and sets `error` when the file is missing, unreadable or empty.
    static std::unique_ptr<SoundData> load(const QString &path, QString *error);
    // A sound made in memory (interleaved stereo); used by tests and benchmarks.
    static std::unique_ptr<SoundData> fromFrames(const std::vector<std::int16_t> &interleaved, int sampleRate);

    int sampleRate() const { return m_sampleRate; }
    std::size_t frames() const { return m_frames; }
    // Frame i (0 <= i < frames) starts at frameData()[2 * i]; frames -1 to frames + 2 exist.
    const std::int16_t *frameData() const { return m_samples.data() + 2; }

private:
    SoundData(std::vector<std::int16_t> padded, std::size_t frames, int sampleRate);
    static std::unique_ptr<SoundData> fromPadded(std::vector<std::int16_t> padded, std::size_t frames, int sampleRate);

    std::vector<std::int16_t> m_samples;
    std::size_t m_frames;
    int m_sampleRate;
};
