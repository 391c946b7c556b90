#include "engine/SoundData.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <new>
#include <optional>

namespace {

constexpr sf_count_t chunkFrames = 4096;

struct SndFileCloser
{
    void operator()(SNDFILE *file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

// Full scale of a float sample is 1.0 whatever the file holds, so every format plays at
// its recorded level; louder samples clip.
std::int16_t toSample(float value)
{
    if (!(value == value))
        return 0;
    const float scaled = std::clamp(value * 32768.0f, -32768.0f, 32767.0f);
    return static_cast<std::int16_t>(std::lrint(scaled));
}

// Where a seek lands, or -1 before the start. As with a file, a position past the end is
// allowed and reads nothing there; decoders probe ahead that way.
sf_count_t seekTarget(sf_count_t offset, int whence, sf_count_t position, sf_count_t size)
{
    const sf_count_t base = whence == SEEK_CUR ? position : whence == SEEK_END ? size : 0;
    if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base)
        return -1;
    return base + offset;
}

// The bytes behind libsndfile's virtual I/O: a file opened here, or memory.
class Source
{
public:
    virtual ~Source() = default;
    virtual sf_count_t size() = 0;
    virtual sf_count_t seek(sf_count_t offset, int whence) = 0;
    virtual sf_count_t read(void *data, sf_count_t count) = 0;
    virtual sf_count_t tell() = 0;

    static SF_VIRTUAL_IO io()
    {
        SF_VIRTUAL_IO io{};
        io.get_filelen = [](void *self) { return static_cast<Source *>(self)->size(); };
        io.seek = [](sf_count_t offset, int whence, void *self) { return static_cast<Source *>(self)->seek(offset, whence); };
        io.read = [](void *data, sf_count_t count, void *self) { return static_cast<Source *>(self)->read(data, count); };
        io.write = [](const void *, sf_count_t, void *) -> sf_count_t { return 0; };
        io.tell = [](void *self) { return static_cast<Source *>(self)->tell(); };
        return io;
    }
};

class MemorySource final : public Source
{
public:
    explicit MemorySource(QByteArrayView bytes) : m_bytes(bytes) {}

    sf_count_t size() override { return m_bytes.size(); }
    sf_count_t seek(sf_count_t offset, int whence) override
    {
        const sf_count_t target = seekTarget(offset, whence, m_position, size());
        if (target < 0)
            return -1;
        m_position = target;
        return m_position;
    }
    sf_count_t read(void *data, sf_count_t count) override
    {
        const sf_count_t n = std::clamp<sf_count_t>(size() - m_position, 0, std::max<sf_count_t>(count, 0));
        if (n > 0)
            std::memcpy(data, m_bytes.data() + m_position, static_cast<std::size_t>(n));
        m_position += n;
        return n;
    }
    sf_count_t tell() override { return m_position; }

private:
    QByteArrayView m_bytes;
    sf_count_t m_position = 0;
};

class FileSource final : public Source
{
public:
    explicit FileSource(QFile &file) : m_file(file) {}

    sf_count_t size() override { return m_file.size(); }
    sf_count_t seek(sf_count_t offset, int whence) override
    {
        const sf_count_t target = seekTarget(offset, whence, m_file.pos(), size());
        if (target < 0 || !m_file.seek(target))
            return -1;
        return m_file.pos();
    }
    sf_count_t read(void *data, sf_count_t count) override
    {
        return std::max<sf_count_t>(m_file.read(static_cast<char *>(data), count), 0);
    }
    sf_count_t tell() override { return m_file.pos(); }

private:
    QFile &m_file;
};

struct Decoded
{
    std::vector<std::int16_t> samples;
    std::size_t frames = 0;
    int sampleRate = 0;
};

// Checks the length the header claims before anything is allocated for it: a few bytes
// of header can claim hours of sound.
bool plausible(const SF_INFO &info, sf_count_t fileBytes, QString *reason)
{
    if (info.channels < 1 || info.samplerate <= 0 || info.samplerate > SoundData::maxSampleRate) {
        *reason = QStringLiteral("not a sound libsndfile can play (%1 channels at %2 Hz)")
                      .arg(info.channels)
                      .arg(info.samplerate);
        return false;
    }
    if (info.frames <= 0) {
        *reason = QStringLiteral("the file holds no sound");
        return false;
    }
    if (info.frames > sf_count_t(SoundData::maxFrames)) {
        *reason = QStringLiteral("its header claims %1 frames, more than the %2 a sound may hold")
                      .arg(qint64(info.frames))
                      .arg(qint64(SoundData::maxFrames));
        return false;
    }
    if (info.frames * info.channels > fileBytes * SoundData::maxSamplesPerByte) {
        *reason = QStringLiteral("its header claims %1 frames, more than its %2 bytes can hold")
                      .arg(qint64(info.frames))
                      .arg(qint64(fileBytes));
        return false;
    }
    return true;
}

// Reads the frames in chunks of `Sample` and keeps the first two channels as 16-bit
// stereo; mono goes to both sides.
template <typename Sample, typename Read, typename Convert>
std::size_t readChunked(SNDFILE *file, std::size_t frames, std::size_t channels, std::int16_t *target, Read read,
                        Convert convert)
{
    std::vector<Sample> chunk(static_cast<std::size_t>(chunkFrames) * channels);
    std::size_t done = 0;
    while (done < frames) {
        const sf_count_t wanted = std::min<sf_count_t>(chunkFrames, sf_count_t(frames - done));
        const sf_count_t got = read(file, chunk.data(), wanted);
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got; ++i) {
            const Sample *frame = chunk.data() + std::size_t(i) * channels;
            target[2 * done] = convert(frame[0]);
            target[2 * done + 1] = convert(frame[channels > 1 ? 1 : 0]);
            ++done;
        }
    }
    return done;
}

// 16-bit stereo, what the program's own sounds are, is read straight into place; it is
// most of start-up's work otherwise. Everything else is read as float (which libsndfile
// scales to -1..1 for every format) and rounded, so every format plays at its level.
std::size_t readSamples(SNDFILE *file, const SF_INFO &info, std::int16_t *target)
{
    const auto frames = static_cast<std::size_t>(info.frames);
    const auto channels = static_cast<std::size_t>(info.channels);
    if ((info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_16)
        return readChunked<float>(file, frames, channels, target, sf_readf_float, toSample);
    if (channels != 2)
        return readChunked<short>(file, frames, channels, target, sf_readf_short, [](short s) { return std::int16_t(s); });
    std::size_t done = 0;
    while (done < frames) {
        const sf_count_t got = sf_readf_short(file, target + 2 * done, sf_count_t(frames - done));
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    return done;
}

bool readFrames(SNDFILE *file, const SF_INFO &info, Decoded &out, QString *reason)
{
    const auto frames = static_cast<std::size_t>(info.frames);
    out.samples.assign(frames * 2, 0);
    const std::size_t done = readSamples(file, info, out.samples.data());
    if (done < frames) {
        *reason = QStringLiteral("the file ends early");
        return false;
    }
    out.frames = frames;
    out.sampleRate = info.samplerate;
    return true;
}

std::optional<Decoded> decode(Source &source, QString *reason)
{
    SF_VIRTUAL_IO io = Source::io();
    SF_INFO info{};
    const SndFilePtr file(sf_open_virtual(&io, SFM_READ, &info, &source));
    if (!file) {
        *reason = QString::fromLocal8Bit(sf_strerror(nullptr));
        return std::nullopt;
    }
    if (!plausible(info, source.size(), reason))
        return std::nullopt;
    Decoded decoded;
    if (!readFrames(file.get(), info, decoded, reason))
        return std::nullopt;
    return decoded;
}

}

SoundData::SoundData(std::vector<std::int16_t> samples, std::size_t frames, int sampleRate)
    : m_samples(std::move(samples))
    , m_frames(frames)
    , m_sampleRate(sampleRate)
{
}

const DoubledSound &SoundData::doubled() const
{
    std::call_once(m_doubledOnce, [this] { m_doubled = std::make_unique<const DoubledSound>(frameData(), m_frames); });
    return *m_doubled;
}

std::unique_ptr<SoundData> SoundData::fromDecoded(std::vector<std::int16_t> samples, std::size_t frames, int sampleRate)
{
    return std::unique_ptr<SoundData>(new SoundData(std::move(samples), frames, sampleRate));
}

namespace {

// Sounds load on worker threads, where an escaping exception would end the program: it
// becomes the reason the sound could not be loaded.
void runGuarded(QString *reason, const std::function<void()> &work)
{
    try {
        work();
    } catch (const std::bad_alloc &) {
        *reason = QStringLiteral("not enough memory for the sound");
    } catch (const std::exception &e) {
        *reason = QString::fromLocal8Bit(e.what());
    }
}

}

std::unique_ptr<SoundData> SoundData::load(const QString &path, QString *error)
{
    QString reason;
    std::unique_ptr<SoundData> sound;
    runGuarded(&reason, [&] {
        const QFileInfo info(path);
        QFile file(path);
        if (!info.exists())
            reason = QStringLiteral("the file does not exist");
        else if (!info.isFile())
            reason = QStringLiteral("not a regular file");
        else if (!file.open(QIODevice::ReadOnly))
            reason = file.errorString();
        else {
            FileSource source(file);
            if (std::optional<Decoded> decoded = decode(source, &reason))
                sound = fromDecoded(std::move(decoded->samples), decoded->frames, decoded->sampleRate);
        }
    });
    if (!sound && error)
        *error = reason;
    return sound;
}

std::unique_ptr<SoundData> SoundData::fromEncoded(QByteArrayView bytes, QString *error)
{
    QString reason;
    std::unique_ptr<SoundData> sound;
    runGuarded(&reason, [&] {
        MemorySource source(bytes);
        if (std::optional<Decoded> decoded = decode(source, &reason))
            sound = fromDecoded(std::move(decoded->samples), decoded->frames, decoded->sampleRate);
    });
    if (!sound && error)
        *error = reason;
    return sound;
}

std::unique_ptr<SoundData> SoundData::fromFrames(const std::vector<std::int16_t> &interleaved, int sampleRate)
{
    const std::size_t frames = interleaved.size() / 2;
    if (frames == 0)
        return nullptr;
    return fromDecoded({interleaved.begin(), interleaved.begin() + static_cast<std::ptrdiff_t>(frames * 2)}, frames,
                       sampleRate);
}
