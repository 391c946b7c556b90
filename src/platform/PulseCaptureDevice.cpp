#include "platform/PulseCaptureDevice.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QCoreApplication>
#include <QStandardPaths>

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <algorithm>
#include <array>
#include <vector>

namespace {

// What a new device records until the recorder sends a format: the classic default of
// a wave-audio recording.
constexpr CaptureFormat initialFormat{11025, 1, 8, 1, 11025};
constexpr qint64 copyChunkBytes = 1 << 20;
constexpr std::size_t silenceChunkBytes = 4096;
const QString recordingFileName = QStringLiteral("recording.wav");
const QString lockFileName = QStringLiteral("in-use.lock");
const QString folderPattern = QStringLiteral("capture-*");

// Only a dead or vanished owner frees a folder; a take may run for hours.
bool heldByRunningProgram(const QString &folder)
{
    QLockFile lock(QDir(folder).filePath(lockFileName));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

std::optional<LeftTake> takeIn(const QString &folder)
{
    const QString path = QDir(folder).filePath(recordingFileName);
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return std::nullopt;
    sf_close(file);
    const qint64 frameBytes = info.channels * ((info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 ? 1 : 2);
    if (info.frames <= 0)
        return std::nullopt;
    return LeftTake{path, QFileInfo(path).lastModified(), info.frames * frameBytes};
}

pa_sample_spec sampleSpec(const CaptureFormat &format)
{
    pa_sample_spec spec{};
    spec.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = static_cast<uint32_t>(format.samplesPerSecond);
    spec.channels = static_cast<uint8_t>(std::clamp(format.channels, 0, 255));
    return spec;
}

// A finished take never changes again, so on the same file system the saved file can
// share its data: a hard link beside the target, renamed over it, saves an hour-long take
// at once and as atomically as a copy would.
bool linkRecording(const QString &from, const QString &to)
{
    const QByteArray part = QFile::encodeName(to + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid()));
    if (::link(QFile::encodeName(from).constData(), part.constData()) != 0)
        return false;
    if (::rename(part.constData(), QFile::encodeName(to).constData()) != 0) {
        ::unlink(part.constData());
        return false;
    }
    return true;
}

bool copyRecording(const QString &from, const QString &to, QString *error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = PulseCaptureDevice::tr("The recording could not be read: %1").arg(source.errorString());
        return false;
    }
    // QSaveFile writes beside the target and renames only after the last byte, so an
    // old file of that name survives any failure.
    QSaveFile target(to);
    const auto fail = [&](const QString &reason) {
        *error = PulseCaptureDevice::tr("The recording could not be saved as \"%1\": %2").arg(to, reason);
        return false;
    };
    // Unbuffered, so that a disk that fills up fails a write here rather than a flush
    // that the commit might not notice.
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(target.errorString());
    std::vector<char> buffer(copyChunkBytes);
    for (;;) {
        const qint64 read = source.read(buffer.data(), copyChunkBytes);
        if (read < 0)
            return fail(source.errorString());
        if (read == 0)
            break;
        if (target.write(buffer.data(), read) != read)
            return fail(target.errorString());
    }
    if (!target.commit())
        return fail(target.errorString());
    return true;
}

}

PulseCaptureDevice::PulseCaptureDevice(PulseConnection &connection, QObject *parent)
    : CaptureDevice(parent)
    , m_connection(connection)
    , m_format(initialFormat)
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
    if (!m_connection.start())
        return false;
    auto folder = std::make_unique<QTemporaryDir>(QDir(captureRoot()).filePath(QStringLiteral("capture-XXXXXX")));
    if (!folder->isValid())
        return false;
    auto lock = std::make_unique<QLockFile>(folder->filePath(lockFileName));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_folder = std::move(folder);
    m_folderLock = std::move(lock);
    m_state = State::Empty;
    return true;
}

QString PulseCaptureDevice::captureRoot()
{
    // The cache folder is on disk, where the /tmp of many desktops lives in memory: a long
    // take must cost disk, and saving it can then link rather than copy.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return QDir().mkpath(cache) ? cache : QDir::tempPath();
}

QStringList PulseCaptureDevice::abandonedFolders() const
{
    QStringList folders;
    const QString own = m_folder ? QFileInfo(m_folder->path()).canonicalFilePath() : QString();
    QDirIterator it(captureRoot(), {folderPattern}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    while (it.hasNext()) {
        const QString folder = it.next();
        if (QFileInfo(folder).canonicalFilePath() != own && !heldByRunningProgram(folder))
            folders.append(folder);
    }
    return folders;
}

bool PulseCaptureDevice::keepTake()
{
    stop();
    const bool keep = m_folder && !m_filePath.isEmpty() && m_bytesWritten > 0;
    if (keep) {
        // Without its lock the folder reads as left behind by a run that has ended.
        m_folder->setAutoRemove(false);
        m_folderLock.reset();
    }
    close();
    return keep;
}

std::optional<LeftTake> PulseCaptureDevice::leftTake() const
{
    std::optional<LeftTake> newest;
    for (const QString &folder : abandonedFolders()) {
        const std::optional<LeftTake> take = takeIn(folder);
        if (take && (!newest || take->recordedAt > newest->recordedAt))
            newest = take;
    }
    return newest;
}

bool PulseCaptureDevice::recoverLeftTake()
{
    const std::optional<LeftTake> take = leftTake();
    if (m_state != State::Empty || !take)
        return false;
    const QString path = m_folder->filePath(recordingFileName);
    if (!QFile::rename(take->filePath, path))
        return false;
    m_filePath = path;
    m_bytesWritten = take->bytes;
    m_state = State::Stopped;
    return true;
}

void PulseCaptureDevice::removeLeftTakes()
{
    for (const QString &folder : abandonedFolders())
        QDir(folder).removeRecursively();
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
    return m_bytesWritten.load();
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
    else if (linkRecording(m_filePath, path) || copyRecording(m_filePath, path, &reason))
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
        closeFile();
    }
    m_folderLock.reset();
    m_folder.reset();
    m_filePath.clear();
    m_bytesWritten = 0;
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
    const QString path = m_folder->filePath(recordingFileName);
    SF_INFO info{};
    info.samplerate = m_format.samplesPerSecond;
    info.channels = m_format.channels;
    info.format = SF_FORMAT_WAV | (m_format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) {
        *error = tr("The recording file could not be created: %1").arg(QString::fromLocal8Bit(sf_strerror(nullptr)));
        return false;
    }
    m_filePath = path;
    PulseConnection::Lock lock(m_connection);
    m_file = file;
    m_frameBytes = static_cast<std::size_t>(m_format.channels * m_format.bitsPerSample / 8);
    // Unsigned 8-bit sound rests at the middle of its range, signed 16-bit at zero.
    m_silenceByte = m_format.bitsPerSample == 8 ? 0x80 : 0x00;
    m_bytesPerSecond = static_cast<std::size_t>(std::max(m_format.samplesPerSecond, 1)) * m_frameBytes;
    m_bytesSinceHeader = 0;
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
    // A mono take is recorded in stereo and mixed down here: PulseAudio averages the two
    // sides, PipeWire adds them at equal power, and a take must have one level on both.
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
    {
        PulseConnection::Lock lock(m_connection);
        closeFile();
    }
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
        closeFile();
    }
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
    m_state = State::Stopped;
    emit failed(reason);
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
        const bool written = data ? writeReceived(data, bytes) : writeSilence(bytes * std::size_t(m_format.channels) / 2);
        pa_stream_drop(m_stream);
        if (!written) {
            const QString why = m_writeError != 0 ? QString::fromLocal8Bit(std::strerror(m_writeError))
                                                  : QString::fromLocal8Bit(sf_strerror(m_file));
            breakOff(tr("The recording stopped because it could not be written to disk in %1: %2")
                         .arg(QDir::toNativeSeparators(QFileInfo(m_filePath).absolutePath()), why));
            return;
        }
    }
}

bool PulseCaptureDevice::writeSound(const void *data, std::size_t bytes)
{
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

bool PulseCaptureDevice::writeReceived(const void *data, std::size_t bytes)
{
    if (m_format.channels != 1)
        return writeSound(data, bytes);
    const std::size_t sampleBytes = m_format.bitsPerSample == 8 ? 1 : 2;
    const std::size_t frames = bytes / (2 * sampleBytes);
    m_mono.resize(frames * sampleBytes);
    if (sampleBytes == 1) {
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

bool PulseCaptureDevice::writeSilence(std::size_t bytes)
{
    std::array<unsigned char, silenceChunkBytes> silence;
    silence.fill(m_silenceByte);
    while (bytes > 0) {
        const std::size_t chunk = std::min(bytes, silence.size());
        if (!writeSound(silence.data(), chunk))
            return false;
        bytes -= chunk;
    }
    return true;
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
    closeFile();
    const unsigned take = m_take;
    QMetaObject::invokeMethod(this, [this, take, reason] { onFailureReported(take, reason); }, Qt::QueuedConnection);
}

void PulseCaptureDevice::dropStream()
{
    if (!m_stream)
        return;
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)))
        pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseCaptureDevice::closeFile()
{
    if (!m_file)
        return;
    // Closing writes the final header, so the file on disk is a complete WAV file.
    sf_close(m_file);
    m_file = nullptr;
}
