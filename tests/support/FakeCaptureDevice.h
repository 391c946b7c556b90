#pragma once

#include "platform/CaptureDevice.h"

#include <QStringList>

#include <functional>

// A capture device that logs each operation in the media-control command form the
// recorder is described in ("open new type waveaudio alias capture", "record capture",
// "save capture <file>"...). Tests set the length it reports and make saving fail.
class FakeCaptureDevice final : public CaptureDevice
{
    Q_OBJECT

public:
    using CaptureDevice::CaptureDevice;

    bool open() override;
    bool setFormat(const CaptureFormat &format) override;
    bool record() override;
    bool stop() override;
    std::optional<qint64> lengthInBytes() const override;
    bool save(const QString &path, QString *error) override;
    void close() override;
    void closeAll() override;
    bool keepTake() override;
    std::optional<LeftTake> leftTake() const override { return m_leftTake; }
    bool recoverLeftTake() override;
    void removeLeftTakes() override;
    void setSourceName(const QString &name) override;

    // Every command so far; status queries are only counted.
    const QStringList &commands() const { return m_commands; }
    void clearCommands() { m_commands.clear(); }
    int lengthQueries() const { return m_lengthQueries; }
    int leftTakeRemovals() const { return m_leftTakeRemovals; }

    bool isOpen() const { return m_open; }
    bool isRecording() const { return m_recording; }
    QString sourceName() const { return m_sourceName; }

    // What lengthInBytes() answers while the device is open (0 after each open); nothing
    // imitates a device that cannot answer.
    void setLength(std::optional<qint64> bytes) { m_length = bytes; }
    // Makes a successful save write a file with `write`; the fake writes nothing otherwise.
    void setSaveWrites(std::function<bool(const QString &path)> write) { m_saveWrites = std::move(write); }
    // Makes every later save fail with `reason`; an empty reason lets saves succeed again.
    void setSaveFailure(const QString &reason) { m_saveFailure = reason; }
    // What an earlier run left behind; keepTake() leaves the current take there.
    void setLeftTake(std::optional<LeftTake> take) { m_leftTake = std::move(take); }
    // Imitates a recording that breaks off by itself.
    void breakOff(const QString &reason);

private:
    QStringList m_commands;
    mutable int m_lengthQueries = 0;
    int m_leftTakeRemovals = 0;
    bool m_open = false;
    bool m_recording = false;
    std::optional<qint64> m_length = 0;
    QString m_saveFailure;
    QString m_sourceName;
    std::optional<LeftTake> m_leftTake;
    std::function<bool(const QString &)> m_saveWrites;
};
