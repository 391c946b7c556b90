// Checks that a long recording costs disk, not memory: records the monitor of the default
// output at 44.1 kHz, 16-bit stereo (176400 bytes a second) in real time, prints the
// resident memory every 10 seconds, then saves the take and says whether the resident
// memory stayed within 5 MB of its first sample.
//
// It needs a PulseAudio server with an output, reached as usual through PULSE_SERVER (or
// the desktop's own server). A private one, as the test script starts it:
//
//   pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes \
//     -L "module-null-sink sink_name=bench_sink" \
//     -L "module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/native" &
//   PULSE_SERVER=unix:$XDG_RUNTIME_DIR/native CaptureMemoryBench [seconds]
//
// The recording runs for `seconds` (default 600, at least 20). Exit status 0 when memory stayed flat
// and the recording kept up with real time.

#include "platform/PulseCaptureDevice.h"
#include "platform/PulseConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int sampleIntervalMs = 10000;
constexpr int defaultSeconds = 600;
constexpr qint64 allowedGrowthKb = 5 * 1024;
// Measured between the first and the last sample, so that the start of the stream (which
// waits for an idle null sink's next block) does not count.
constexpr double minimumShareOfRealTime = 0.98;
constexpr CaptureFormat cdQuality{44100, 2, 16, 4, 176400};

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

class Bench : public QObject
{
public:
    explicit Bench(int seconds)
        : m_seconds(seconds)
    {
        connect(&m_sampler, &QTimer::timeout, this, [this] { sample(); });
        connect(&m_device, &CaptureDevice::failed, this, [this](const QString &reason) {
            std::printf("recording failed: %s\n", qPrintable(reason));
            m_failed = true;
            finish();
        });
    }

    bool start()
    {
        if (!m_folder.isValid() || !m_device.open() || !m_device.setFormat(cdQuality) || !m_device.record())
            return false;
        m_clock.start();
        m_sampler.start(sampleIntervalMs);
        QTimer::singleShot(m_seconds * 1000, this, [this] { finish(); });
        std::printf("%8s %14s %10s\n", "seconds", "bytes", "VmRSS kB");
        std::printf("%8d %14lld %10lld\n", 0, 0LL, residentKb());
        return true;
    }

private:
    void sample()
    {
        const qint64 rss = residentKb();
        const qint64 bytes = m_device.lengthInBytes().value_or(0);
        m_lastMs = m_clock.elapsed();
        m_lastBytes = bytes;
        if (m_firstKb < 0) {
            m_firstKb = rss;
            m_firstMs = m_lastMs;
            m_firstBytes = bytes;
        }
        m_maximumKb = std::max(m_maximumKb, rss);
        std::printf("%8lld %14lld %10lld\n", (m_lastMs + 500) / 1000, bytes, rss);
        std::fflush(stdout);
    }

    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        m_sampler.stop();
        sample();
        m_device.stop();
        const qint64 bytes = m_device.lengthInBytes().value_or(0);
        QString error;
        const bool saved = m_device.save(m_folder.filePath(QStringLiteral("take.wav")), &error);
        const qint64 afterSaveKb = residentKb();
        m_maximumKb = std::max(m_maximumKb, afterSaveKb);
        const qint64 growthKb = m_maximumKb - m_firstKb;
        const double sampledSeconds = static_cast<double>(m_lastMs - m_firstMs) / 1000.0;
        const double share = sampledSeconds > 0.0
            ? static_cast<double>(m_lastBytes - m_firstBytes) / (sampledSeconds * cdQuality.bytesPerSecond)
            : 0.0;
        std::printf("after save: VmRSS %lld kB%s%s\n", afterSaveKb, saved ? "" : ", save failed: ", qPrintable(error));
        std::printf("recorded %lld bytes in all; %.1f%% of real time between the first and last sample\n", bytes,
                    share * 100.0);
        std::printf("resident memory: first sample %lld kB, highest %lld kB, growth %lld kB (allowed %lld kB)\n",
                    m_firstKb, m_maximumKb, growthKb, allowedGrowthKb);
        const bool flat = growthKb <= allowedGrowthKb;
        const bool keptUp = share >= minimumShareOfRealTime;
        const bool passed = flat && keptUp && saved && !m_failed;
        std::printf("verdict: %s\n", passed ? "PASS" : "FAIL");
        QCoreApplication::exit(passed ? 0 : 1);
    }

    int m_seconds;
    PulseConnection m_connection;
    PulseCaptureDevice m_device{m_connection};
    QTemporaryDir m_folder;
    QTimer m_sampler;
    QElapsedTimer m_clock;
    qint64 m_firstKb = -1;
    qint64 m_firstMs = 0;
    qint64 m_firstBytes = 0;
    qint64 m_lastMs = 0;
    qint64 m_lastBytes = 0;
    qint64 m_maximumKb = 0;
    bool m_failed = false;
    bool m_finished = false;
};

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool ok = true;
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt(&ok) : defaultSeconds;
    // Two samples at least, so that the rate has an interval to be measured over.
    if (!ok || seconds < 2 * sampleIntervalMs / 1000) {
        std::fprintf(stderr, "usage: %s [seconds, at least %d]\n", argv[0], 2 * sampleIntervalMs / 1000);
        return 2;
    }
    Bench bench(seconds);
    if (!bench.start()) {
        std::fprintf(stderr, "the capture device could not start\n");
        return 1;
    }
    return app.exec();
}
