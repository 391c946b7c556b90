#include "PrivateSoundServer.h"
#include "EnforcedFilePermissions.h"
#include "PulseTestTools.h"
#include "TestSounds.h"
#include "TonePlayer.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelTable.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseCaptureDevice.h"
#include "platform/PulseConnection.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <memory>
#include <vector>

namespace {

constexpr double toneHertz = 1000.0;
constexpr double toneAmplitude = 0.5;
constexpr int toneRate = 48000;
constexpr int waitMs = 15000;
constexpr double blockSeconds = 0.02;
// Blocks skipped after the tone first shows: the fade-in and the resampler settling.
constexpr std::size_t settlingBlocks = 3;
constexpr std::size_t minimumSteadyBlocks = 25;

CaptureFormat captureFormat(int rate, int channels, int bits)
{
    const int alignment = channels * bits / 8;
    return {rate, channels, bits, alignment, alignment * rate};
}

struct Recording
{
    SF_INFO info{};
    std::vector<float> samples;
    bool valid = false;
};

Recording readRecording(const QString &path)
{
    Recording recording;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &recording.info);
    if (!file)
        return recording;
    recording.samples.resize(static_cast<std::size_t>(recording.info.frames * recording.info.channels));
    recording.valid = sf_readf_float(file, recording.samples.data(), recording.info.frames) == recording.info.frames;
    sf_close(file);
    return recording;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Level
{
    double rms = 0.0;
    double peak = 0.0;
    std::size_t steadyBlocks = 0;
};

// The level of the tone once it has started: medians over short blocks, so that the
// silence before the playback reaches the recording, and any dropout of a busy machine,
// do not count.
Level toneLevel(const Recording &recording)
{
    const auto channels = static_cast<std::size_t>(recording.info.channels);
    const auto blockSamples = static_cast<std::size_t>(blockSeconds * recording.info.samplerate) * channels;
    std::vector<double> rmsValues;
    std::vector<double> peakValues;
    for (std::size_t first = 0; first + blockSamples <= recording.samples.size(); first += blockSamples) {
        double sum = 0.0;
        double peak = 0.0;
        for (std::size_t i = first; i < first + blockSamples; ++i) {
            sum += recording.samples[i] * recording.samples[i];
            peak = std::max(peak, std::fabs(static_cast<double>(recording.samples[i])));
        }
        rmsValues.push_back(std::sqrt(sum / static_cast<double>(blockSamples)));
        peakValues.push_back(peak);
    }
    const double expectedRms = toneAmplitude / std::sqrt(2.0);
    const auto onset = std::find_if(rmsValues.begin(), rmsValues.end(), [=](double v) { return v > expectedRms / 2; });
    const auto start = static_cast<std::size_t>(onset - rmsValues.begin()) + settlingBlocks;
    if (start >= rmsValues.size())
        return {};
    const std::vector<double> steadyRms(rmsValues.begin() + static_cast<std::ptrdiff_t>(start), rmsValues.end());
    const std::vector<double> steadyPeak(peakValues.begin() + static_cast<std::ptrdiff_t>(start), peakValues.end());
    return {median(steadyRms), median(steadyPeak), steadyRms.size()};
}

// Lets file writes beyond `bytes` fail with "File too large", as a full disk would,
// for the whole process while the object lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

}

class PulseCaptureDevicePulseTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void recordsTheToneAtTheChosenQuality_data();
    void recordsTheToneAtTheChosenQuality();
    void refusedFormatKeepsTheCurrentOne();
    void closedDeviceHasNoLength();
    void savesOnlyAfterStop();
    void failedSaveKeepsTheOldFile();
    void unknownSourceFails();
    void vanishingSourceEndsTheRecording();
    void writeErrorEndsTheRecording();
    void missingServerFails();
    void lostServerEndsTheRecording();
    void takeLeftBehindIsReadableAndOfferedOnce();

private:
    void recordUntil(PulseCaptureDevice &device, qint64 bytes);

    QTemporaryDir m_out;
    TonePlayer m_tone;
};

void PulseCaptureDevicePulseTest::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        QSKIP("needs PulseAudio (scripts/run-tests.sh)");
    QVERIFY(m_out.isValid());
    // Capture folders go to a cache of the test's own.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_out.filePath(QStringLiteral("cache"))));
    QVERIFY(m_tone.start(toneHertz, toneAmplitude, toneRate));

}

void PulseCaptureDevicePulseTest::recordUntil(PulseCaptureDevice &device, qint64 bytes)
{
    QVERIFY(device.record());
    QTRY_VERIFY_WITH_TIMEOUT(device.lengthInBytes().value_or(0) >= bytes, waitMs);
    QVERIFY(device.stop());
}

void PulseCaptureDevicePulseTest::recordsTheToneAtTheChosenQuality_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("libsndfileSubtype");
    QTest::newRow("8 kHz 8-bit mono") << 8000 << 1 << 8 << int(SF_FORMAT_PCM_U8);
    QTest::newRow("44.1 kHz 16-bit stereo") << 44100 << 2 << 16 << int(SF_FORMAT_PCM_16);
}

void PulseCaptureDevicePulseTest::recordsTheToneAtTheChosenQuality()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(int, libsndfileSubtype);

    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QSignalSpy failures(&device, &CaptureDevice::failed);
    QVERIFY(device.open());
    QCOMPARE(device.lengthInBytes(), std::optional<qint64>(0));
    const CaptureFormat format = captureFormat(rate, channels, bits);
    QVERIFY(device.setFormat(format));
    device.setSourceName(QString());
    recordUntil(device, format.bytesPerSecond * 2);
    QCOMPARE(failures.count(), 0);

    const qint64 length = device.lengthInBytes().value_or(-1);
    QCOMPARE(length % format.alignment, 0);
    const QString first = m_out.filePath(QStringLiteral("first.wav"));
    const QString second = m_out.filePath(QStringLiteral("second.wav"));
    QString error;
    QVERIFY2(device.save(first, &error), qPrintable(error));
    QVERIFY2(device.save(second, &error), qPrintable(error));
    QCOMPARE(device.lengthInBytes(), std::optional<qint64>(length));

    const Recording recording = readRecording(first);
    QVERIFY(recording.valid);
    QCOMPARE(recording.info.format, SF_FORMAT_WAV | libsndfileSubtype);
    QCOMPARE(recording.info.samplerate, rate);
    QCOMPARE(recording.info.channels, channels);
    QCOMPARE(recording.info.frames * format.alignment, length);
    QCOMPARE(readRecording(second).samples, recording.samples);

    const Level level = toneLevel(recording);
    QVERIFY2(level.steadyBlocks >= minimumSteadyBlocks, "the tone never showed up for long enough");
    const double rmsError = TestSounds::toDecibels(level.rms / (toneAmplitude / std::sqrt(2.0)));
    const double peakError = TestSounds::toDecibels(level.peak / toneAmplitude);
    QVERIFY2(std::fabs(rmsError) <= 1.0, qPrintable(QStringLiteral("RMS off by %1 dB").arg(rmsError)));
    QVERIFY2(std::fabs(peakError) <= 1.0, qPrintable(QStringLiteral("peak off by %1 dB").arg(peakError)));
}

void PulseCaptureDevicePulseTest::refusedFormatKeepsTheCurrentOne()
{
    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QVERIFY(device.open());
    QVERIFY(device.setFormat(captureFormat(8000, 1, 8)));
    QVERIFY(!device.setFormat(captureFormat(0, 2, 16)));
    QVERIFY(!device.setFormat(captureFormat(22050, 0, 16)));
    QVERIFY(!device.setFormat(captureFormat(22050, 2, 12)));
    recordUntil(device, 800);

    const QString saved = m_out.filePath(QStringLiteral("kept-format.wav"));
    QString error;
    QVERIFY2(device.save(saved, &error), qPrintable(error));
    const Recording recording = readRecording(saved);
    QCOMPARE(recording.info.samplerate, 8000);
    QCOMPARE(recording.info.channels, 1);
    QCOMPARE(recording.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
}

void PulseCaptureDevicePulseTest::closedDeviceHasNoLength()
{
    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QVERIFY(!device.lengthInBytes().has_value());
    QVERIFY(device.open());
    QVERIFY(device.setFormat(captureFormat(8000, 1, 8)));
    recordUntil(device, 800);
    device.close();
    QVERIFY(!device.lengthInBytes().has_value());
    QString error;
    QVERIFY(!device.save(m_out.filePath(QStringLiteral("closed.wav")), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!device.record());
}

void PulseCaptureDevicePulseTest::savesOnlyAfterStop()
{
    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QVERIFY(device.open());
    const QString target = m_out.filePath(QStringLiteral("after-stop.wav"));
    QString error;
    QVERIFY(!device.save(target, &error));
    QVERIFY(!error.isEmpty());

    QVERIFY(device.setFormat(captureFormat(8000, 1, 8)));
    QVERIFY(device.record());
    QTRY_VERIFY_WITH_TIMEOUT(device.lengthInBytes().value_or(0) >= 800, waitMs);
    error.clear();
    QVERIFY(!device.save(target, &error));
    QVERIFY(error.contains(QStringLiteral("stop")));
    QVERIFY(!QFile::exists(target));

    QVERIFY(device.stop());
    QVERIFY2(device.save(target, &error), qPrintable(error));
    QCOMPARE(readRecording(target).info.frames, device.lengthInBytes().value_or(-1));
}

void PulseCaptureDevicePulseTest::failedSaveKeepsTheOldFile()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString target = folder.filePath(QStringLiteral("take.wav"));
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old take");
    }
    QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));

    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QVERIFY(device.open());
    QVERIFY(device.setFormat(captureFormat(8000, 1, 8)));
    recordUntil(device, 800);
    QString error;
    bool saved = true;
    {
        EnforcedFilePermissions enforced;
        saved = device.save(target, &error);
    }
    QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!saved);
    QVERIFY(error.contains(target));
    QFile old(target);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old take"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("take.wav")});
}

void PulseCaptureDevicePulseTest::unknownSourceFails()
{
    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QSignalSpy failures(&device, &CaptureDevice::failed);
    QVERIFY(device.open());
    device.setSourceName(QStringLiteral("sonivale_no_such_source"));
    QVERIFY(device.record());
    QVERIFY(failures.wait(waitMs));
    const QString reason = failures.first().first().toString();
    QVERIFY2(reason.contains(QStringLiteral("\"sonivale_no_such_source\"")) && reason.contains(QStringLiteral("does not exist")),
             qPrintable(reason));
    QCOMPARE(device.lengthInBytes(), std::optional<qint64>(0));
    QCoreApplication::processEvents();
    QCOMPARE(failures.count(), 1);
}

void PulseCaptureDevicePulseTest::vanishingSourceEndsTheRecording()
{
    const QString module = PulseTestTools::pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                                  QStringLiteral("sink_name=sonivale_vanishing_sink")}).trimmed();
    QVERIFY(!module.isEmpty());

    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QSignalSpy failures(&device, &CaptureDevice::failed);
    QVERIFY(device.open());
    QVERIFY(device.setFormat(captureFormat(8000, 2, 16)));
    device.setSourceName(QStringLiteral("sonivale_vanishing_sink.monitor"));
    QVERIFY(device.record());
    QTRY_VERIFY_WITH_TIMEOUT(device.lengthInBytes().value_or(0) >= 3200, waitMs);
    PulseTestTools::pactl({QStringLiteral("unload-module"), module});
    QVERIFY(failures.wait(waitMs));
    const QString reason = failures.first().first().toString();
    QVERIFY2(reason.contains(QStringLiteral("\"sonivale_vanishing_sink.monitor\" went away")), qPrintable(reason));

    const qint64 length = device.lengthInBytes().value_or(0);
    QVERIFY(length >= 3200);
    const QString saved = m_out.filePath(QStringLiteral("vanished.wav"));
    QString error;
    QVERIFY2(device.save(saved, &error), qPrintable(error));
    QCOMPARE(readRecording(saved).info.frames * 4, length);
    QCoreApplication::processEvents();
    QCOMPARE(failures.count(), 1);
}

void PulseCaptureDevicePulseTest::writeErrorEndsTheRecording()
{
    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QSignalSpy failures(&device, &CaptureDevice::failed);
    QVERIFY(device.open());
    const CaptureFormat format = captureFormat(44100, 2, 16);
    QVERIFY(device.setFormat(format));
    qint64 length = 0;
    {
        FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.isActive());
        QVERIFY(device.record());
        QVERIFY(failures.wait(waitMs));
        length = device.lengthInBytes().value_or(0);
    }
    const QString reason = failures.first().first().toString();
    QVERIFY2(reason.contains(QStringLiteral("could not be written to disk")), qPrintable(reason));
    QVERIFY(length > 0 && length < 64 * 1024);

    const QString saved = m_out.filePath(QStringLiteral("cut-short.wav"));
    QString error;
    QVERIFY2(device.save(saved, &error), qPrintable(error));
    const Recording recording = readRecording(saved);
    QVERIFY(recording.valid);
    QCOMPARE(recording.info.frames, length / format.alignment);
}

void PulseCaptureDevicePulseTest::missingServerFails()
{
    QTemporaryDir nowhere;
    QVERIFY(nowhere.isValid());
    // The device's connection reads the server address at each attempt, so the address
    // must stay wrong until the device has given up.
    const QByteArray server = qgetenv("PULSE_SERVER");
    const auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", server); });
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(nowhere.filePath(QStringLiteral("native"))));

    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QSignalSpy failures(&device, &CaptureDevice::failed);
    QVERIFY(device.open());
    QVERIFY(device.record());
    QVERIFY(failures.wait(waitMs));
    QVERIFY(failures.first().first().toString().contains(QStringLiteral("No sound server")));
    QCOMPARE(device.lengthInBytes(), std::optional<qint64>(0));
}

void PulseCaptureDevicePulseTest::lostServerEndsTheRecording()
{
    // A server of its own, so that stopping it disturbs no other test.
    PrivateSoundServer server(QStringLiteral("sonivale_doomed_sink"));
    QVERIFY(server.start());

    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QSignalSpy failures(&device, &CaptureDevice::failed);
    QVERIFY(device.open());
    QVERIFY(device.setFormat(captureFormat(8000, 1, 16)));
    QVERIFY(device.record());
    QTRY_VERIFY_WITH_TIMEOUT(device.lengthInBytes().value_or(0) >= 1600, waitMs);
    server.stop();
    QVERIFY(failures.wait(waitMs));
    const QString reason = failures.first().first().toString();
    QVERIFY2(reason.contains(QStringLiteral("connection to the sound server was lost")), qPrintable(reason));

    const qint64 length = device.lengthInBytes().value_or(0);
    QVERIFY(length >= 1600);
    const QString saved = m_out.filePath(QStringLiteral("server-lost.wav"));
    QString error;
    QVERIFY2(device.save(saved, &error), qPrintable(error));
    QCOMPARE(readRecording(saved).info.frames * 2, length);
    QCoreApplication::processEvents();
    QCOMPARE(failures.count(), 1);
}

namespace {

QStringList filesNamed(const QString &root, const QString &name)
{
    QStringList found;
    QDirIterator it(root, {name}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next());
    return found;
}

}

void PulseCaptureDevicePulseTest::takeLeftBehindIsReadableAndOfferedOnce()
{
    const QString cache = m_out.filePath(QStringLiteral("cache"));
    const CaptureFormat format = captureFormat(8000, 1, 16);
    PulseConnection connection;
    PulseCaptureDevice device(connection);
    QVERIFY(device.open());
    QVERIFY(device.setFormat(format));
    QVERIFY(device.record());
    QTRY_VERIFY_WITH_TIMEOUT(device.lengthInBytes().value_or(0) >= 3 * format.bytesPerSecond, waitMs);

    // Read as it stands mid-take, as after a crash, the file is a WAV of all but the last second.
    const QStringList live = filesNamed(cache, QStringLiteral("recording.wav"));
    QCOMPARE(live.size(), 1);
    const Recording cutOff = readRecording(live.at(0));
    QVERIFY(cutOff.valid);
    QVERIFY2(cutOff.info.frames * format.alignment >= 2 * format.bytesPerSecond,
             qPrintable(QString::number(cutOff.info.frames)));

    // A take that a running program holds is nobody's left-over.
    PulseCaptureDevice next(connection);
    QVERIFY(next.open());
    QVERIFY(!next.leftTake());

    QVERIFY(device.stop());
    const qint64 length = device.lengthInBytes().value_or(0);
    QVERIFY(device.keepTake());
    QVERIFY(!device.lengthInBytes());
    const std::optional<LeftTake> left = next.leftTake();
    QVERIFY(left);
    QCOMPARE(left->bytes, length);
    QVERIFY(next.recoverLeftTake());
    QCOMPARE(next.lengthInBytes().value_or(-1), length);
    const QString saved = m_out.filePath(QStringLiteral("recovered.wav"));
    QString error;
    QVERIFY2(next.save(saved, &error), qPrintable(error));
    QCOMPARE(readRecording(saved).info.frames * format.alignment, length);
    QVERIFY2(!next.leftTake(), "offered once");
    next.close();

    // What crashed runs left (a take, an empty folder) goes; a running device's folder stays.
    const QDir root(QFileInfo(QFileInfo(live.at(0)).absolutePath()).absolutePath());
    QVERIFY(root.mkpath(QStringLiteral("capture-crashed")) && root.mkpath(QStringLiteral("capture-empty")));
    QVERIFY(TestSounds::writeSine(root.filePath(QStringLiteral("capture-crashed/recording.wav")), 8000, 8000, 440, 0.5));
    PulseCaptureDevice third(connection);
    QVERIFY(third.open());
    QVERIFY(third.leftTake());
    third.removeLeftTakes();
    QVERIFY(!third.leftTake());
    QVERIFY(!root.exists(QStringLiteral("capture-crashed")) && !root.exists(QStringLiteral("capture-empty")));
    QCOMPARE(root.entryList({QStringLiteral("capture-*")}, QDir::Dirs).size(), 1);
}

QTEST_GUILESS_MAIN(PulseCaptureDevicePulseTest)
#include "PulseCaptureDevicePulseTest.moc"
