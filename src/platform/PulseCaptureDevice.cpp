#include "platform/PulseCaptureDevice.h"

#include "platform/PulseStreams.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// What a new device records until the recorder sends a format: the classic default of
// a wave-audio recording.
constexpr CaptureFormat initialFormat{11025, 1, 8, 1, 11025};

pa_sample_spec sampleSpec(const CaptureFormat &format)
{
    pa_sample_spec spec{};
    spec.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = static_cast<uint32_t>(format.samplesPerSecond);
    spec.channels = static_cast<uint8_t>(std::clamp(format.channels, 0, 255));
    return spec;
}

}

PulseCaptureDevice::PulseCaptureDevice(PulseConnection &connection, QObject *parent)
    : CaptureDevice(parent)
    , m_connection(connection)
    , m_format(initialFormat)
    , m_writer([this](const QString &why) {
        const unsigned take = m_writingTake.load();
        QMetaObject::invokeMethod(this, [this, take, why] { onWriteFailed(take, why); }, Qt::QueuedConnection);
    })
{
    m_serverWait.setSingleShot(true);
    m_serverWait.setInterval(serverWaitMs);
    connect(&m_serverWait, &QTimer::timeout, this, &PulseCaptureDevice::onServerWaitOver);
    connect(&m_connection, &PulseConnection::connected, this, &PulseCaptureDevice::onServerConnected);
}

PulseCaptureDevice::~PulseCaptureDevice()
{
    m_connection.detach(*this);
    close();
}

bool PulseCaptureDevice::open()
{
    close();
    m_connection.attach(*this);
    if (!m_connection.start() || !m_store.open())
        return false;
    m_state = State::Empty;
    return true;
}

bool PulseCaptureDevice::keepTake()
{
    stop();
    const bool keep = m_store.isOpen() && !m_filePath.isEmpty() && lengthInBytes().value_or(0) > 0;
    if (keep)
        m_store.keep();
    close();
    return keep;
}

std::optional<LeftTake> PulseCaptureDevice::leftTake() const
{
    return m_store.leftTake();
}

bool PulseCaptureDevice::recoverLeftTake()
{
    if (m_state != State::Empty)
        return false;
    const std::optional<LeftTake> take = m_store.recoverLeftTake();
    if (!take)
        return false;
    m_filePath = take->filePath;
    m_recoveredBytes = take->bytes;
    m_state = State::Stopped;
    return true;
}

void PulseCaptureDevice::removeLeftTakes()
{
    m_store.removeLeftTakes();
}

bool PulseCaptureDevice::setFormat(const CaptureFormat &format)
{
    if (!format.isComplete() || (format.bitsPerSample != 8 && format.bitsPerSample != 16))
        return false;
    const pa_sample_spec spec = sampleSpec(format);
    if (!pa_sample_spec_valid(&spec))
        return false;
    m_format = format;
    return true;
}

bool PulseCaptureDevice::record()
{
    if (m_state != State::Empty)
        return false;
    {
        PulseConnection::Lock lock(m_connection);
        ++m_take;
    }
    m_state = State::Starting;
    QString error;
    if (!createFile(&error)) {
        reportFailure(error);
        return true;
    }
    if (m_connection.isReady())
        startStream();
    else
        m_serverWait.start();
    return true;
}

bool PulseCaptureDevice::stop()
{
    if (m_state == State::Closed)
        return false;
    if (m_state == State::Starting || m_state == State::Recording)
        finishCapture();
    return true;
}

std::optional<qint64> PulseCaptureDevice::lengthInBytes() const
{
    if (m_state == State::Closed)
        return std::nullopt;
    return m_recoveredBytes + (m_writing ? m_writer.bytesWritten() : 0);
}

bool PulseCaptureDevice::save(const QString &path, QString *error)
{
    QString reason;
    if (m_state == State::Closed)
        reason = tr("The capture device is not open.");
    else if (m_state == State::Starting || m_state == State::Recording)
        reason = tr("The recording is still running; stop it before saving.");
    else if (m_filePath.isEmpty())
        reason = tr("Nothing has been recorded.");
    else if (TakeStore::save(m_filePath, path, &reason))
        return true;
    if (error)
        *error = reason;
    return false;
}

void PulseCaptureDevice::close()
{
    m_serverWait.stop();
    if (m_connection.mainloop()) {
        PulseConnection::Lock lock(m_connection);
        dropStream();
    }
    m_writer.finish();
    m_store.close();
    m_filePath.clear();
    m_writing = false;
    m_recoveredBytes = 0;
    m_state = State::Closed;
}

void PulseCaptureDevice::closeAll()
{
    close();
}

void PulseCaptureDevice::setSourceName(const QString &name)
{
    m_sourceName = name;
}

QString PulseCaptureDevice::describeSource() const
{
    return m_sourceName.isEmpty() ? tr("the monitor of the default output") : tr("source \"%1\"").arg(m_sourceName);
}

bool PulseCaptureDevice::createFile(QString *error)
{
    const QString path = m_store.takePath();
    QString why;
    m_writingTake = m_take;
    if (!m_writer.start(path, m_format, &why)) {
        *error = tr("The recording file could not be created: %1").arg(why);
        return false;
    }
    m_filePath = path;
    m_writing = true;
    return true;
}

void PulseCaptureDevice::startStream()
{
    PulseConnection::Lock lock(m_connection);
    pa_context *context = m_connection.context();
    if (!context || pa_context_get_state(context) != PA_CONTEXT_READY) {
        if (!m_serverWait.isActive())
            m_serverWait.start();
        return;
    }
    m_serverWait.stop();
    m_state = State::Recording;
    m_sourceLabel = describeSource();
    if (!m_sourceName.isEmpty()) {
        connectStream(context, m_sourceName.toUtf8());
        return;
    }
    // PipeWire's PulseAudio service delivers nothing to a stream that may not move when it
    // is asked for "@DEFAULT_MONITOR@"; asking for the default sink's monitor by its name
    // works on both servers.
    m_resolvingTake = m_take;
    const auto onDefaultSink = [](pa_context *c, const pa_sink_info *info, int eol, void *self) {
        auto *device = static_cast<PulseCaptureDevice *>(self);
        const bool stillWanted = device->m_resolvingTake == device->m_take && device->m_state == State::Recording && !device->m_stream;
        if (!stillWanted)
            return;
        if (info)
            device->connectStream(c, QByteArray(info->monitor_source_name));
        else if (eol < 0)
            device->breakOff(tr("Nothing can be recorded from %1: it does not exist.").arg(device->m_sourceLabel));
    };
    if (!request(pa_context_get_sink_info_by_name(context, "@DEFAULT_SINK@", onDefaultSink, this)))
        breakOff(tr("Recording from %1 could not start: %2").arg(m_sourceLabel, QString::fromUtf8(pa_strerror(pa_context_errno(context)))));
}

void PulseCaptureDevice::connectStream(pa_context *context, const QByteArray &device)
{
    // A mono take is recorded in stereo and mixed down as it is written.
    pa_sample_spec spec = sampleSpec(m_format);
    spec.channels = 2;
    m_stream = pa_stream_new(context, "Recording", &spec, nullptr);
    if (!m_stream) {
        breakOff(tr("The recording stream could not be made: %1").arg(QString::fromUtf8(pa_strerror(pa_context_errno(context)))));
        return;
    }
    pa_stream_set_read_callback(m_stream, &PulseCaptureDevice::readCallback, this);
    pa_stream_set_state_callback(m_stream, &PulseCaptureDevice::streamStateCallback, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(-1);
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(fragmentMs * PA_USEC_PER_MSEC, &spec));
    // A source that goes away ends the recording rather than letting the server move the
    // stream to whatever source is left, which could be a microphone.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_record(m_stream, device.constData(), &attr, flags) < 0)
        breakOff(tr("Recording from %1 could not start: %2").arg(m_sourceLabel, QString::fromUtf8(pa_strerror(pa_context_errno(context)))));
}

void PulseCaptureDevice::onServerConnected()
{
    if (m_state == State::Starting)
        startStream();
}

void PulseCaptureDevice::onServerWaitOver()
{
    if (m_state != State::Starting)
        return;
    m_writer.finish();
    m_state = State::Stopped;
    emit failed(tr("No sound server is running, so nothing can be recorded."));
}

void PulseCaptureDevice::finishCapture()
{
    m_serverWait.stop();
    {
        PulseConnection::Lock lock(m_connection);
        // What the server has already handed over belongs to the recording.
        readAvailable();
        dropStream();
    }
    m_writer.finish();
    m_state = State::Stopped;
}

void PulseCaptureDevice::reportFailure(const QString &reason)
{
    PulseConnection::Lock lock(m_connection);
    breakOff(reason);
}

void PulseCaptureDevice::onFailureReported(unsigned take, const QString &reason)
{
    if (take != m_take || (m_state != State::Starting && m_state != State::Recording))
        return;
    m_serverWait.stop();
    m_writer.finish();
    m_state = State::Stopped;
    emit failed(reason);
}

void PulseCaptureDevice::onWriteFailed(unsigned take, const QString &why)
{
    {
        PulseConnection::Lock lock(m_connection);
        if (take == m_take)
            dropStream();
    }
    onFailureReported(take, tr("The recording stopped because it could not be written to disk in %1: %2")
                                .arg(QDir::toNativeSeparators(QFileInfo(m_filePath).absolutePath()), why));
}

void PulseCaptureDevice::readCallback(pa_stream *, std::size_t, void *self)
{
    static_cast<PulseCaptureDevice *>(self)->readAvailable();
}

void PulseCaptureDevice::streamStateCallback(pa_stream *, void *self)
{
    static_cast<PulseCaptureDevice *>(self)->onStreamState();
}

void PulseCaptureDevice::readAvailable()
{
    while (m_stream) {
        const void *data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(m_stream, &data, &bytes) < 0 || bytes == 0)
            return;
        // A hole is time the server has no sound for; silence keeps the recording's
        // length true to the clock.
        const bool queued = data ? m_writer.push(data, bytes) : m_writer.pushSilence(bytes);
        pa_stream_drop(m_stream);
        // The writer reports why, and the stream goes then.
        if (!queued)
            return;
    }
}

void PulseCaptureDevice::onStreamState()
{
    const pa_stream_state_t state = pa_stream_get_state(m_stream);
    if (state != PA_STREAM_FAILED && state != PA_STREAM_TERMINATED)
        return;
    pa_context *context = pa_stream_get_context(m_stream);
    if (!context || pa_context_get_state(context) != PA_CONTEXT_READY) {
        breakOff(tr("The recording stopped because the connection to the sound server was lost."));
        return;
    }
    const int error = pa_context_errno(context);
    if (error == PA_ERR_NOENTITY)
        breakOff(tr("Nothing can be recorded from %1: it does not exist.").arg(m_sourceLabel));
    else if (error == PA_ERR_KILLED || state == PA_STREAM_TERMINATED)
        breakOff(tr("The recording stopped because %1 went away.").arg(m_sourceLabel));
    else
        breakOff(tr("Recording from %1 failed: %2").arg(m_sourceLabel, QString::fromUtf8(pa_strerror(error))));
}

void PulseCaptureDevice::breakOff(const QString &reason)
{
    dropStream();
    const unsigned take = m_take;
    QMetaObject::invokeMethod(this, [this, take, reason] { onFailureReported(take, reason); }, Qt::QueuedConnection);
}

void PulseCaptureDevice::dropStream()
{
    PulseStreams::release(m_stream);
}
