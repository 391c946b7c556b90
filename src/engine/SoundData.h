#pragma once

#include "dsp/DoubledSound.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// A whole sound file held in memory as 16-bit stereo. The resampler reads its doubled copy,
// which carries the loop's neighbours around it.
class SoundData
{
public:
    // A sound longer than this (about twelve minutes at 44.1 kHz, 128 MiB in memory) is
    // refused before anything is allocated for it.
    static constexpr std::size_t maxFrames = std::size_t(1) << 25;
    // No format packs more samples than this into a byte of real sound; a header that
    // claims more is lying about the length.
    static constexpr long long maxSamplesPerByte = 128;
    static constexpr int maxSampleRate = 768000;

    // Reads any regular file that libsndfile reads (WAV, FLAC, Ogg and more, integer or
    // float), at its recorded level and its own rate; mono plays on both sides, and of more
    // channels the first two are kept. Returns null and sets `error` when the file is
    // missing, not a regular file, unreadable, empty, or claims more sound than it can
    // hold. Never throws, so it may run on worker threads.
    static std::unique_ptr<SoundData> load(const QString &path, QString *error);
    // The same for a whole file held in memory.
    static std::unique_ptr<SoundData> fromEncoded(QByteArrayView bytes, QString *error);
    // A sound made in memory (interleaved stereo); used by tests and benchmarks.
    static std::unique_ptr<SoundData> fromFrames(const std::vector<std::int16_t> &interleaved, int sampleRate);

    int sampleRate() const { return m_sampleRate; }
    std::size_t frames() const { return m_frames; }
    // Frame i (0 <= i < frames) starts at frameData()[2 * i].
    const std::int16_t *frameData() const { return m_samples.data(); }
    // The sound at twice its rate, as the resampler reads it: made by the first call (a few
    // milliseconds a minute of sound, so never on the audio thread) and kept, so that only
    // sounds that play pay its memory. Any other thread; buffers that share the sound share it.
    const DoubledSound &doubled() const;

private:
    SoundData(std::vector<std::int16_t> samples, std::size_t frames, int sampleRate);
    static std::unique_ptr<SoundData> fromDecoded(std::vector<std::int16_t> samples, std::size_t frames, int sampleRate);

    std::vector<std::int16_t> m_samples;
    std::size_t m_frames;
    int m_sampleRate;
    mutable std::once_flag m_doubledOnce;
    mutable std::unique_ptr<const DoubledSound> m_doubled;
};
