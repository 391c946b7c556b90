#include "engine/SoundData.h"

#include <sndfile.h>

#include <algorithm>

namespace {

constexpr std::size_t leadFrames = 1;
constexpr std::size_t tailFrames = 3;

struct SndFileCloser
{
    void operator()(SNDFILE *file) const { sf_close(file); }
};

void wrapEdges(std::vector<std::int16_t> &padded, std::size_t frames)
{
    std::int16_t *first = padded.data() + 2 * leadFrames;
    std::copy_n(first + 2 * (frames - 1), 2, padded.data());
    for (std::size_t i = 0; i < tailFrames; ++i)
        std::copy_n(first + 2 * (i % frames), 2, first + 2 * (frames + i));
}

}

SoundData::SoundData(std::vector<std::int16_t> padded, std::size_t frames, int sampleRate)
    : m_samples(std::move(padded))
    , m_frames(frames)
    , m_sampleRate(sampleRate)
{
}

std::unique_ptr<SoundData> SoundData::fromPadded(std::vector<std::int16_t> padded, std::size_t frames, int sampleRate)
{
    wrapEdges(padded, frames);
    return std::unique_ptr<SoundData>(new SoundData(std::move(padded), frames, sampleRate));
}

std::unique_ptr<SoundData> SoundData::load(const QString &path, QString *error)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(path.toLocal8Bit().constData(), SFM_READ, &info));
    if (!file) {
        *error = QString::fromLocal8Bit(sf_strerror(nullptr));
        return nullptr;
    }
    if (info.frames <= 0 || info.channels < 1 || info.channels > 2 || info.samplerate <= 0) {
        *error = QStringLiteral("not a mono or stereo sound");
        return nullptr;
    }
    const auto frames = static_cast<std::size_t>(info.frames);
    std::vector<std::int16_t> padded((frames + leadFrames + tailFrames) * 2);
    std::int16_t *first = padded.data() + 2 * leadFrames;
    const auto channels = static_cast<std::size_t>(info.channels);
    // Mono is read into the left half of the room a stereo file needs, then spread from
    // the end backwards so no sample is overwritten before it is copied.
    const sf_count_t read = sf_readf_short(file.get(), first, info.frames);
    if (read != info.frames) {
        *error = QStringLiteral("the file ends early");
        return nullptr;
    }
    if (channels == 1) {
        for (std::size_t i = frames; i-- > 0;) {
            first[2 * i] = first[i];
            first[2 * i + 1] = first[i];
        }
    }
    return fromPadded(std::move(padded), frames, info.samplerate);
}

std::unique_ptr<SoundData> SoundData::fromFrames(const std::vector<std::int16_t> &interleaved, int sampleRate)
{
    const std::size_t frames = interleaved.size() / 2;
    if (frames == 0)
        return nullptr;
    std::vector<std::int16_t> padded((frames + leadFrames + tailFrames) * 2);
    std::copy(interleaved.begin(), interleaved.begin() + static_cast<std::ptrdiff_t>(frames * 2),
              padded.begin() + 2 * leadFrames);
    return fromPadded(std::move(padded), frames, sampleRate);
}
