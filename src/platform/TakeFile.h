#pragma once

#include "platform/CaptureDevice.h"

#include <QString>

#include <sndfile.h>

#include <cstddef>
#include <vector>

// One take being written to disk as a WAV file as the sound arrives, so that a long take
// costs disk, not memory. The sound comes as the server hands it over: stereo frames in
// the take's sample format, mixed down here for a mono take. The header is
// brought up to date about once a second, so a take cut off at any moment (a crash, a
// full disk) is a valid WAV file of what was written.
//
// Threads: one thread at a time (the take writer's). Writes wait for the disk.
class TakeFile
{
public:
    TakeFile() = default;
    ~TakeFile();
    TakeFile(const TakeFile &) = delete;
    TakeFile &operator=(const TakeFile &) = delete;

    // Creates (or truncates) the file at `path`, closing any file before; false, with the
    // reason in `error`, when it cannot be made. The format must be complete, 8 or 16 bits.
    bool create(const QString &path, const CaptureFormat &format, QString *error);
    // Writes stereo frames as received; false when the disk refused them (see errorString).
    bool writeReceived(const void *data, std::size_t bytes);
    // Writes the final header; the file is complete.
    void close();

    bool isOpen() const { return m_file != nullptr; }
    // Bytes of sound in the take's own format written so far.
    qint64 bytesWritten() const { return m_bytesWritten; }
    // Why the last write failed.
    QString errorString() const;

private:
    bool writeSound(const void *data, std::size_t bytes);

    SNDFILE *m_file = nullptr;
    int m_channels = 2;
    std::size_t m_sampleBytes = 2;
    std::size_t m_frameBytes = 4;
    std::size_t m_bytesPerSecond = 1;
    std::size_t m_bytesSinceHeader = 0;
    qint64 m_bytesWritten = 0;
    int m_writeError = 0;
    std::vector<unsigned char> m_mono;
};
