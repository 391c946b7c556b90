#include "FakeCaptureDevice.h"

namespace {

// A value the quality selector could not supply is sent as empty text.
QString valueText(int value)
{
    return value > 0 ? QString::number(value) : QString();
}

}

bool FakeCaptureDevice::open()
{
    m_commands.append(QStringLiteral("open new type waveaudio alias capture"));
    m_open = true;
    m_length = 0;
    return true;
}

bool FakeCaptureDevice::setFormat(const CaptureFormat &format)
{
    m_commands.append(QStringLiteral("set capture samplespersec %1 channels %2 bitspersample %3 "
                                     "alignment %4 bytespersec %5")
                          .arg(valueText(format.samplesPerSecond), valueText(format.channels),
                               valueText(format.bitsPerSample))
                          .arg(format.alignment)
                          .arg(format.bytesPerSecond));
    return m_open && format.isComplete();
}

bool FakeCaptureDevice::record()
{
    m_commands.append(QStringLiteral("record capture"));
    m_recording = m_open;
    return m_open;
}

bool FakeCaptureDevice::stop()
{
    m_commands.append(QStringLiteral("stop capture"));
    m_recording = false;
    return m_open;
}

std::optional<qint64> FakeCaptureDevice::lengthInBytes() const
{
    ++m_lengthQueries;
    return m_open ? m_length : std::nullopt;
}

bool FakeCaptureDevice::save(const QString &path, QString *error)
{
    m_commands.append(QStringLiteral("save capture ") + path);
    const QString failure = m_open ? m_saveFailure : QStringLiteral("The capture device is closed.");
    if (failure.isEmpty())
        return !m_saveWrites || m_saveWrites(path);
    if (error)
        *error = failure;
    return false;
}

void FakeCaptureDevice::close()
{
    m_commands.append(QStringLiteral("close capture"));
    m_open = false;
    m_recording = false;
}

void FakeCaptureDevice::closeAll()
{
    m_commands.append(QStringLiteral("close all"));
    m_open = false;
    m_recording = false;
}

void FakeCaptureDevice::setSourceName(const QString &name)
{
    m_sourceName = name;
}

void FakeCaptureDevice::breakOff(const QString &reason)
{
    m_recording = false;
    emit failed(reason);
}

bool FakeCaptureDevice::keepTake()
{
    m_commands.append(QStringLiteral("keep capture"));
    const bool keep = m_open && m_length.value_or(0) > 0;
    if (keep)
        m_leftTake = LeftTake{QStringLiteral("kept.wav"), QDateTime::currentDateTime(), *m_length};
    m_open = false;
    m_recording = false;
    return keep;
}

bool FakeCaptureDevice::recoverLeftTake()
{
    m_commands.append(QStringLiteral("recover left take"));
    if (!m_open || !m_leftTake)
        return false;
    m_length = m_leftTake->bytes;
    return true;
}

void FakeCaptureDevice::removeLeftTakes()
{
    ++m_leftTakeRemovals;
    m_leftTake.reset();
}
