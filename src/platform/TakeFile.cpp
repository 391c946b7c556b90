#include "platform/TakeFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

TakeFile::~TakeFile()
{
    close();
}

bool TakeFile::create(const QString &path, const CaptureFormat &format, QString *error)
{
    close();
    SF_INFO info{};
    info.samplerate = format.samplesPerSecond;
    info.channels = format.channels;
    info.format = SF_FORMAT_WAV | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    m_file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!m_file) {
        *error = QString::fromLocal8Bit(sf_strerror(nullptr));
        return false;
    }
    m_channels = format.channels;
    m_sampleBytes = format.bitsPerSample == 8 ? 1 : 2;
    m_frameBytes = static_cast<std::size_t>(format.channels) * m_sampleBytes;
    m_bytesPerSecond = static_cast<std::size_t>(std::max(format.samplesPerSecond, 1)) * m_frameBytes;
    m_bytesSinceHeader = 0;
    m_bytesWritten = 0;
    m_writeError = 0;
    return true;
}

void TakeFile::close()
{
    if (!m_file)
        return;
    // Closing writes the final header, so the file on disk is a complete WAV file.
    sf_close(m_file);
    m_file = nullptr;
}

QString TakeFile::errorString() const
{
    return m_writeError != 0 ? QString::fromLocal8Bit(std::strerror(m_writeError))
                             : QString::fromLocal8Bit(sf_strerror(m_file));
}

// A mono take is received in stereo and mixed down here: PulseAudio averages the two
// sides, PipeWire adds them at equal power, and a take must have one level on both.
bool TakeFile::writeReceived(const void *data, std::size_t bytes)
{
    if (m_channels != 1)
        return writeSound(data, bytes);
    const std::size_t frames = bytes / (2 * m_sampleBytes);
    m_mono.resize(frames * m_sampleBytes);
    if (m_sampleBytes == 1) {
        const auto *stereo = static_cast<const unsigned char *>(data);
        for (std::size_t i = 0; i < frames; ++i)
            m_mono[i] = static_cast<unsigned char>((stereo[2 * i] + stereo[2 * i + 1] + 1) / 2);
    } else {
        const auto *stereo = static_cast<const std::int16_t *>(data);
        auto *mono = reinterpret_cast<std::int16_t *>(m_mono.data());
        for (std::size_t i = 0; i < frames; ++i)
            mono[i] = static_cast<std::int16_t>((stereo[2 * i] + stereo[2 * i + 1]) / 2);
    }
    return writeSound(m_mono.data(), m_mono.size());
}

bool TakeFile::writeSound(const void *data, std::size_t bytes)
{
    if (!m_file)
        return false;
    // The server hands over whole frames; a torn frame would shift every later sample.
    const auto whole = static_cast<sf_count_t>(bytes - bytes % m_frameBytes);
    errno = 0;
    const sf_count_t written = sf_write_raw(m_file, data, whole);
    if (written > 0) {
        m_bytesWritten += written;
        m_bytesSinceHeader += static_cast<std::size_t>(written);
    }
    if (written != whole) {
        m_writeError = errno;
        return false;
    }
    // A header that says how much follows makes a take cut off by a crash readable.
    if (m_bytesSinceHeader >= m_bytesPerSecond) {
        m_bytesSinceHeader = 0;
        sf_command(m_file, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    }
    return true;
}
