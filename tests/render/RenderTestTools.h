#pragma once

// Helpers shared by the render tests: a writer that keeps the frames in memory, and
// reading a rendered file back.

#include "TestSounds.h"

#include "render/SoundFileWriter.h"

#include <QDir>
#include <QString>

#include <sndfile.h>

#include <cmath>
#include <functional>
#include <optional>
#include <vector>

namespace RenderTestTools {

struct SoundFile
{
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> samples; // interleaved
    qint64 frames() const { return channels ? static_cast<qint64>(samples.size()) / channels : 0; }
};

inline std::optional<SoundFile> readSound(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return std::nullopt;
    SoundFile sound{info.samplerate, info.channels, info.format, {}};
    std::vector<float> block(4096 * static_cast<std::size_t>(info.channels));
    sf_count_t got = 0;
    while ((got = sf_readf_float(file, block.data(), 4096)) > 0)
        sound.samples.insert(sound.samples.end(), block.begin(), block.begin() + got * info.channels);
    sf_close(file);
    return sound;
}

// RMS of interleaved stereo frames [first, first + count), both sides, in dB full scale.
inline double levelOf(const std::vector<float> &stereo, std::size_t first, std::size_t count)
{
    const double left = TestSounds::rms(stereo, 0, first, count);
    const double right = TestSounds::rms(stereo, 1, first, count);
    return TestSounds::toDecibels(std::sqrt((left * left + right * right) / 2.0));
}

// Every entry of `folder`, hidden ones too.
inline QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Keeps what it is given in memory; can fail like a full disk after some frames, and lets
// a test act after each write.
class MemoryWriter final : public SoundFileWriter
{
public:
    std::vector<float> frames;
    qint64 failAfterFrames = -1;
    std::function<void()> afterWrite;
    bool finished = false;
    bool abandoned = false;

    bool open(int, const RenderFormat &, int, qint64) override { return true; }
    bool write(const float *stereo, std::size_t count) override
    {
        if (failAfterFrames >= 0 && static_cast<qint64>(frames.size() / 2 + count) > failAfterFrames) {
            m_error = QStringLiteral("No space left on device");
            return false;
        }
        frames.insert(frames.end(), stereo, stereo + 2 * count);
        if (afterWrite)
            afterWrite();
        return true;
    }
    bool finish() override
    {
        finished = true;
        return true;
    }
    void abandon() override { abandoned = true; }
    QString errorString() const override { return m_error; }

private:
    QString m_error;
};

}
