#include "usersound/SndFileOpener.h"

#include "usersound/SoundFileReader.h"

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// No format packs more samples than this into a byte of real sound; a header that claims
// more is lying about the length.
constexpr long long maxSamplesPerByte = 128;
// The other channels of a file with more than two reach both sides a little lower than its
// first two, which are taken as its left and right.
constexpr float sharedChannelGain = 0.70710678f;

QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO, not a sound file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device, not a sound file");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder, not a sound file");
    return QStringLiteral("not a regular file");
}

class SndFileReader final : public SoundFileReader
{
public:
    SndFileReader(SNDFILE *file, const SF_INFO &info, QByteArray path, struct stat identity)
        : m_file(file)
        , m_info(info)
        , m_path(std::move(path))
        , m_identity(identity)
    {
    }
    ~SndFileReader() override { sf_close(m_file); }

    int sampleRate() const override { return m_info.samplerate; }
    std::int64_t frames() const override { return m_info.frames; }

    bool seek(std::int64_t frame) override
    {
        return stillThere() && sf_seek(m_file, frame, SEEK_SET) == frame;
    }

    std::int64_t read(float *stereo, std::int64_t frames) override
    {
        if (!stillThere())
            return -1;
        const int channels = m_info.channels;
        if (channels == 2)
            return finish(sf_readf_float(m_file, stereo, frames), frames);
        m_scratch.resize(static_cast<std::size_t>(frames * channels));
        const sf_count_t got = sf_readf_float(m_file, m_scratch.data(), frames);
        for (sf_count_t i = 0; i < got; ++i) {
            const float *frame = m_scratch.data() + i * channels;
            if (channels == 1) {
                stereo[2 * i] = stereo[2 * i + 1] = frame[0];
                continue;
            }
            float shared = 0.0f;
            for (int c = 2; c < channels; ++c)
                shared += frame[c];
            shared *= sharedChannelGain;
            stereo[2 * i] = frame[0] + shared;
            stereo[2 * i + 1] = frame[1] + shared;
        }
        return finish(got, frames);
    }

private:
    // A short read is the end of the file unless libsndfile saw an error.
    std::int64_t finish(sf_count_t got, std::int64_t wanted)
    {
        if (got < wanted && sf_error(m_file) != SF_ERR_NO_ERROR)
            return -1;
        return got;
    }

    // The open file could be read to its end after it was deleted; the user took it away,
    // though, so it counts as gone, as does a file put in its place.
    bool stillThere() const
    {
        struct stat now{};
        return ::stat(m_path.constData(), &now) == 0 && now.st_dev == m_identity.st_dev
            && now.st_ino == m_identity.st_ino;
    }

    SNDFILE *m_file;
    SF_INFO m_info;
    QByteArray m_path;
    struct stat m_identity;
    std::vector<float> m_scratch;
};

QString checkFormat(const SF_INFO &info, off_t bytes)
{
    if (info.frames <= 0)
        return QStringLiteral("the file holds no sound");
    if (info.channels < 1 || info.samplerate < SndFileOpener::minimumRate || info.samplerate > SndFileOpener::maximumRate)
        return QStringLiteral("not a sound file that can be played (%1 channels at %2 Hz)").arg(info.channels).arg(info.samplerate);
    const double hours = static_cast<double>(info.frames) / info.samplerate / 3600.0;
    if (hours > SndFileOpener::maximumHours)
        return QStringLiteral("too long to be sensible (%1 hours; at most %2)")
            .arg(hours, 0, 'f', 0)
            .arg(SndFileOpener::maximumHours, 0, 'f', 0);
    if (static_cast<double>(info.frames) * info.channels > static_cast<double>(maxSamplesPerByte) * static_cast<double>(bytes))
        return QStringLiteral("its header claims more sound than the file holds");
    return {};
}

}

std::unique_ptr<SoundFileReader> SndFileOpener::open(const QString &path, QString *reason) const
{
    const QByteArray local = path.toLocal8Bit();
    struct stat info{};
    if (::stat(local.constData(), &info) != 0) {
        *reason = errno == ENOENT ? QStringLiteral("the file does not exist")
                                  : QStringLiteral("unreadable (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        *reason = kindOf(info.st_mode);
        return nullptr;
    }
    // Not blocking, in case a FIFO took the file's place since the look above.
    const int fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = QStringLiteral("unreadable (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *reason = kindOf(info.st_mode);
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (info.st_size == 0) {
        *reason = QStringLiteral("the file is empty");
        ::close(fd);
        return nullptr;
    }
    SF_INFO format{};
    SNDFILE *file = sf_open_fd(fd, SFM_READ, &format, SF_TRUE);
    if (!file) {
        *reason = QStringLiteral("not a sound file (%1)").arg(QString::fromLocal8Bit(sf_strerror(nullptr)));
        return nullptr;
    }
    *reason = checkFormat(format, info.st_size);
    if (!reason->isEmpty()) {
        sf_close(file);
        return nullptr;
    }
    return std::make_unique<SndFileReader>(file, format, local, info);
}
