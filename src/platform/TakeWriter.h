#pragma once

#include "platform/CaptureDevice.h"
#include "platform/TakeFile.h"

#include <QCoreApplication>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Writes a take on a thread of its own, so that the thread that receives the sound (the
// sound server's loop thread, which also plays the sound) never waits for the disk. What
// is received is copied into a queue made when the take starts, big enough for seconds of
// a disk that does not answer; the writer empties it into the take file.
//
// Threads: start(), finish() and the destructor on one thread (the UI thread); push() and
// pushSilence() from one thread at a time (the capture calls them under the connection's
// lock), and they neither wait nor allocate; pushes outside start() to finish() are
// refused. The failure handler runs once, on the writer's
// thread, when a write fails or the queue overflows; the take keeps what was written.
class TakeWriter
{
    Q_DECLARE_TR_FUNCTIONS(TakeWriter)

public:
    // How long the disk may fall behind before the take breaks off.
    static constexpr int queueSeconds = 4;

    // `why` is what the disk said, or that it fell too far behind.
    using FailureHandler = std::function<void(const QString &why)>;

    explicit TakeWriter(FailureHandler onFailure);
    ~TakeWriter();
    TakeWriter(const TakeWriter &) = delete;
    TakeWriter &operator=(const TakeWriter &) = delete;

    // Creates the take file (see TakeFile::create) and starts writing; false, with the
    // reason in `error`, when the file cannot be made.
    bool start(const QString &path, const CaptureFormat &format, QString *error);
    // Queues stereo frames as received; false once the take has failed.
    bool push(const void *data, std::size_t bytes);
    // Queues silence for as long as `bytes` of received frames would last.
    bool pushSilence(std::size_t bytes);
    // Writes everything queued, closes the file and stops the thread; waits for the disk.
    void finish();

    // Bytes of sound written to the file so far, in the take's format; any thread.
    qint64 bytesWritten() const { return m_bytesWritten.load(); }

private:
    void run();
    // Writes what is queued; false when the file refused it.
    bool drain();
    bool enqueue(const void *data, std::size_t bytes, unsigned char fill);
    void fail(const QString &why);

    FailureHandler m_onFailure;
    TakeFile m_file;
    std::thread m_thread;
    std::vector<unsigned char> m_queue;
    // Written by the receiving thread, read by the writer; both grow without end.
    std::atomic<std::size_t> m_written{0};
    std::atomic<std::size_t> m_read{0};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<qint64> m_bytesWritten{0};
    unsigned char m_silenceByte = 0;
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
};
