#include "platform/TakeWriter.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

// A writer that missed a wake-up still comes round this often.
constexpr auto idleWake = std::chrono::milliseconds(100);

}

TakeWriter::TakeWriter(FailureHandler onFailure)
    : m_onFailure(std::move(onFailure))
{
}

TakeWriter::~TakeWriter()
{
    finish();
}

bool TakeWriter::start(const QString &path, const CaptureFormat &format, QString *error)
{
    finish();
    if (!m_file.create(path, format, error))
        return false;
    // Received frames are stereo; a whole number of them fits, so none is torn at the end.
    const std::size_t receivedFrameBytes = format.bitsPerSample == 8 ? 2 : 4;
    const std::size_t receivedPerSecond = std::size_t(std::max(format.samplesPerSecond, 1)) * receivedFrameBytes;
    m_queue.assign(receivedPerSecond * queueSeconds, 0);
    // Unsigned 8-bit sound rests at the middle of its range, signed 16-bit at zero.
    m_silenceByte = format.bitsPerSample == 8 ? 0x80 : 0x00;
    m_written = 0;
    m_read = 0;
    m_failed = false;
    m_stopping = false;
    m_bytesWritten = 0;
    m_thread = std::thread([this] { run(); });
    return true;
}

bool TakeWriter::push(const void *data, std::size_t bytes)
{
    return enqueue(data, bytes, 0);
}

bool TakeWriter::pushSilence(std::size_t bytes)
{
    return enqueue(nullptr, bytes, m_silenceByte);
}

bool TakeWriter::enqueue(const void *data, std::size_t bytes, unsigned char fill)
{
    if (m_failed.load() || !m_thread.joinable())
        return false;
    const std::size_t written = m_written.load(std::memory_order_relaxed);
    if (written - m_read.load(std::memory_order_acquire) + bytes > m_queue.size()) {
        m_failed = true;
        // The writer reports it, so that the report comes from one thread only.
        m_wake.notify_one();
        return false;
    }
    const auto *from = static_cast<const unsigned char *>(data);
    std::size_t at = written % m_queue.size();
    std::size_t left = bytes;
    while (left > 0) {
        const std::size_t chunk = std::min(left, m_queue.size() - at);
        if (from) {
            std::memcpy(m_queue.data() + at, from, chunk);
            from += chunk;
        } else {
            std::memset(m_queue.data() + at, fill, chunk);
        }
        left -= chunk;
        at = 0;
    }
    m_written.store(written + bytes, std::memory_order_release);
    m_wake.notify_one();
    return true;
}

void TakeWriter::run()
{
    for (;;) {
        if (!drain()) {
            fail(m_file.errorString());
            break;
        }
        if (m_failed.load()) {
            fail(tr("it fell more than %n seconds behind", nullptr, queueSeconds));
            break;
        }
        if (m_stopping.load() && m_read.load() == m_written.load())
            break;
        std::unique_lock lock(m_wakeMutex);
        m_wake.wait_for(lock, idleWake, [this] {
            return m_stopping.load() || m_failed.load() || m_read.load() != m_written.load();
        });
    }
    m_file.close();
}

bool TakeWriter::drain()
{
    const std::size_t written = m_written.load(std::memory_order_acquire);
    std::size_t read = m_read.load(std::memory_order_relaxed);
    while (read != written) {
        const std::size_t at = read % m_queue.size();
        const std::size_t chunk = std::min(written - read, m_queue.size() - at);
        const bool ok = m_file.writeReceived(m_queue.data() + at, chunk);
        m_bytesWritten = m_file.bytesWritten();
        if (!ok)
            return false;
        read += chunk;
        m_read.store(read, std::memory_order_release);
    }
    return true;
}

void TakeWriter::fail(const QString &why)
{
    m_failed = true;
    if (m_onFailure)
        m_onFailure(why);
}

void TakeWriter::finish()
{
    if (!m_thread.joinable())
        return;
    m_stopping = true;
    m_wake.notify_one();
    m_thread.join();
}
