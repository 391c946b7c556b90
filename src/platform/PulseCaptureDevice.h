#pragma once

#include "platform/CaptureDevice.h"
#include "platform/PulseConnection.h"

#include "platform/TakeWriter.h"
#include "platform/TakeStore.h"

#include <QTimer>

#include <atomic>
#include <cstdint>

struct pa_context;
struct pa_stream;

// Records a PulseAudio source (by default the monitor of the default output) into a take
// file that lives as long as the device is open, in a folder of the take store.
//
// Threads: the members run on the UI thread. The record stream's callbacks run on the
// shared connection's loop thread, which also plays the sound, and hand the sound to the
// take writer's thread, so neither the sound nor the UI waits for the disk while a take
// runs. The stream belongs to whoever holds the connection's lock. The device uses the
// connection from open() on; the connection outlives it.
//
// record() only refuses when the device is not in a state to start; a start that fails
// at run time (no server, an unknown source, an unwritable temporary folder) is reported
// through failed(), like a recording that breaks off later. failed() always arrives
// after the call that caused it has returned.
class PulseCaptureDevice final : public CaptureDevice, private PulseConnection::Client
{
    Q_OBJECT

public:
    // How long record() waits for a sound server that is not connected yet; the
    // connection retries once a second, so this covers a server that is just starting.
    static constexpr int serverWaitMs = 3000;
    // How much sound the server collects before handing it over: small enough for the
    // recorded size to grow smoothly, large enough for few disk writes.
    static constexpr int fragmentMs = 50;

    explicit PulseCaptureDevice(PulseConnection &connection, QObject *parent = nullptr);
    ~PulseCaptureDevice() override;

    bool open() override;
    bool setFormat(const CaptureFormat &format) override;
    bool record() override;
    bool stop() override;
    std::optional<qint64> lengthInBytes() const override;
    bool save(const QString &path, QString *error) override;
    void close() override;
    void closeAll() override;
    bool keepTake() override;
    std::optional<LeftTake> leftTake() const override;
    bool recoverLeftTake() override;
    void removeLeftTakes() override;
    void setSourceName(const QString &name) override;

private:
    enum class State { Closed, Empty, Starting, Recording, Stopped };

    static void readCallback(pa_stream *stream, std::size_t bytes, void *self);
    static void streamStateCallback(pa_stream *stream, void *self);

    QString describeSource() const;
    bool createFile(QString *error);
    void startStream();
    // Loop thread, with the lock held.
    void connectStream(pa_context *context, const QByteArray &device);
    void onServerConnected();
    void onServerWaitOver();
    void finishCapture();
    void reportFailure(const QString &reason);
    void onFailureReported(unsigned take, const QString &reason);
    void onWriteFailed(unsigned take, const QString &why);

    // Loop thread, or any thread holding the lock.
    void readAvailable();
    void onStreamState();
    void breakOff(const QString &reason);
    void dropStream();

    PulseConnection &m_connection;
    QTimer m_serverWait;
    State m_state = State::Closed;
    CaptureFormat m_format;
    QString m_sourceName;
    TakeStore m_store;
    QString m_filePath;
    // Counts the captures, so that a failure reported late is not pinned on a newer one.
    unsigned m_take = 0;
    // The take whose default monitor is being looked up; under the connection's lock.
    unsigned m_resolvingTake = 0;
    // The take being written, for the writer's reports; set before the writer starts.
    std::atomic<unsigned> m_writingTake{0};
    // Whether this opening's take was written here, or recovered with this many bytes.
    bool m_writing = false;
    qint64 m_recoveredBytes = 0;

    // Under the connection's lock.
    pa_stream *m_stream = nullptr;
    QString m_sourceLabel;

    // Fed under the connection's lock, started and finished on the UI thread.
    TakeWriter m_writer;
};
