#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

// The PCM format of a recording. A field of 0 stands for a value the quality selector
// could not supply; a device refuses such a format and keeps its current one.
struct CaptureFormat
{
    int samplesPerSecond = 0;
    int channels = 0;
    int bitsPerSample = 0;
    int alignment = 0;
    int bytesPerSecond = 0;

    bool isComplete() const { return samplesPerSecond > 0 && channels > 0 && bitsPerSample > 0; }
};

// A take that an earlier run of the program left unsaved: kept at a session end, or cut
// off by a crash (then as much as its last header update says).
struct LeftTake
{
    QString filePath;
    QDateTime recordedAt;
    qint64 bytes = 0;
};

// The recorder's capture device: one recording held by the device from record() until the
// device is closed. One operation per command the recorder sends.
//
// Contract: every member is called on the UI thread and returns promptly; recording runs
// on the device's own thread and goes to disk as it arrives, so a long take costs disk,
// not memory. Results say whether the device accepted the command. A recording that
// breaks off by itself (no server, the source vanished, the disk is full) keeps what was
// recorded so far and is reported once through failed().
class CaptureDevice : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~CaptureDevice() override = default;

    // Opens the device with a new, empty recording.
    virtual bool open() = 0;
    // Sets the PCM format of the next recording; false for an incomplete format.
    virtual bool setFormat(const CaptureFormat &format) = 0;
    // Starts recording from the chosen source.
    virtual bool record() = 0;
    // Stops recording; what was recorded stays in the device.
    virtual bool stop() = 0;
    // Bytes of PCM recorded so far, or nothing when the device cannot answer (closed).
    virtual std::optional<qint64> lengthInBytes() const = 0;
    // Writes the recording to a WAV file at `path` (complete or not at all) and keeps it in
    // the device, so it can be saved again under any name, until close() or a new take. On failure, `error` says why.
    virtual bool save(const QString &path, QString *error) = 0;
    // Closes the device and discards its recording.
    virtual void close() = 0;
    // Closes every device this program has open.
    virtual void closeAll() = 0;

    // Session end: stops a recording in progress and leaves the take, a complete WAV file,
    // where leftTake() of a later opening finds it; then closes the device. False, closing
    // all the same, when there is no sound to keep.
    virtual bool keepTake() = 0;
    // The newest take with sound that an earlier run left behind and nobody runs any more.
    virtual std::optional<LeftTake> leftTake() const = 0;
    // Makes the left take this open, empty device's recording, as if recorded and stopped.
    virtual bool recoverLeftTake() = 0;
    // Removes everything earlier runs left behind, their takes included.
    virtual void removeLeftTakes() = 0;

    // The source that the next record() reads: a PulseAudio source name, or empty for the
    // monitor of the default output.
    virtual void setSourceName(const QString &name) = 0;

signals:
    void failed(const QString &reason);
};
