#include "product/ProgramPaths.h"
#include "engine/ChannelBuffer.h"
#include "engine/ChannelTable.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseCaptureDevice.h"
#include "platform/PulseConnection.h"
#include "platform/QtProgramStarter.h"
#include "recorder/Mp3Converter.h"
#include "recorder/RecorderFileCommands.h"
#include "recorder/RecorderWindow.h"
#include "recorder/RecordingSaver.h"
#include "recorder/SaveOptionsWindow.h"

#include "FakeDesktopServices.h"
#include "ManualClock.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"
#include "TestSounds.h"
#include "TonePlayer.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr double toneHertz = 1000.0;
constexpr double toneAmplitude = 0.5;
constexpr int toneRate = 48000;
constexpr int waitMs = 30000;
// "44.100Hz, 16bit Stereo, 172k/sec"
constexpr int bestQuality = 15;
constexpr qint64 bytesPerSecond = 176400;
constexpr double blockSeconds = 0.02;

struct Sound
{
    SF_INFO info{};
    std::vector<float> samples;
};

Sound readSound(const QString &path)
{
    Sound sound;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &sound.info);
    if (!file)
        return sound;
    sound.samples.resize(static_cast<std::size_t>(sound.info.frames * sound.info.channels));
    sf_readf_float(file, sound.samples.data(), sound.info.frames);
    sf_close(file);
    return sound;
}

// The first channel from the first block that carries the tone, so that the silence
// before the playback reached the recording does not count.
std::vector<float> toneFrom(const Sound &sound)
{
    const auto channels = static_cast<std::size_t>(sound.info.channels);
    const auto block = static_cast<std::size_t>(blockSeconds * sound.info.samplerate);
    std::vector<float> left;
    for (std::size_t i = 0; i < sound.samples.size(); i += channels)
        left.push_back(sound.samples[i]);
    for (std::size_t first = 0; first + block <= left.size(); first += block) {
        double sum = 0.0;
        for (std::size_t i = first; i < first + block; ++i)
            sum += double(left[i]) * left[i];
        if (std::sqrt(sum / double(block)) > toneAmplitude / std::sqrt(2.0) / 2)
            return std::vector<float>(left.begin() + std::ptrdiff_t(first + 3 * block), left.end() - std::ptrdiff_t(block));
    }
    return {};
}

double rmsOf(const std::vector<float> &samples)
{
    double sum = 0.0;
    for (float sample : samples)
        sum += double(sample) * sample;
    return samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
}

double frequencyOf(const std::vector<float> &samples, int rate)
{
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        crossings += (samples[i - 1] < 0.0f) != (samples[i] < 0.0f) ? 1 : 0;
    return samples.empty() ? 0.0 : crossings / 2.0 / (double(samples.size()) / rate);
}

}

class CompleteTakePulseTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void recordSaveConvertAndHearTheTone();

private:
    template<typename T> T *child(QWidget *window, const char *name)
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    void checkTone(const QString &wav, int expectedRate);

    QTemporaryDir m_folders;
    QTemporaryDir m_out;
    TonePlayer m_tone;
};

void CompleteTakePulseTest::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        QSKIP("needs PulseAudio (scripts/run-tests.sh)");
    if (QtProgramStarter().findProgram("lame").isEmpty())
        QSKIP("needs lame (scripts/install-deps.sh)");
    QVERIFY(m_folders.isValid());
    QVERIFY(m_out.isValid());
    QVERIFY(QDir(m_folders.path()).mkpath("program"));
    QVERIFY(QDir(m_folders.path()).mkpath("config"));
    ProgramPaths::overrideFolders(m_folders.filePath("program"), m_folders.filePath("config"));

    QVERIFY(m_tone.start(toneHertz, toneAmplitude, toneRate));
}

void CompleteTakePulseTest::checkTone(const QString &wav, int expectedRate)
{
    const Sound sound = readSound(wav);
    QCOMPARE(sound.info.samplerate, expectedRate);
    QCOMPARE(sound.info.channels, 2);
    const std::vector<float> tone = toneFrom(sound);
    QVERIFY2(tone.size() >= std::size_t(expectedRate), "less than a second of tone");
    const double level = TestSounds::toDecibels(rmsOf(tone) / (toneAmplitude / std::sqrt(2.0)));
    QVERIFY2(std::fabs(level) <= 1.5, qPrintable(QStringLiteral("level off by %1 dB").arg(level)));
    const double hertz = frequencyOf(tone, expectedRate);
    QVERIFY2(std::fabs(hertz - toneHertz) <= 10.0, qPrintable(QStringLiteral("tone at %1 Hz").arg(hertz)));
}

void CompleteTakePulseTest::recordSaveConvertAndHearTheTone()
{
    PulseConnection connection;
    PulseCaptureDevice device(connection);
    ScriptedUserMessages messages;
    ScriptedFileDialogs dialogs;
    FakeDesktopServices desktop;
    QtProgramStarter programs;
    ManualClock clock;
    QPointer<RecorderWindow> window = new RecorderWindow(device, messages, clock);
    auto *commands = new RecorderFileCommands(*window, device, dialogs, messages, desktop, programs,
                                              ProgramPaths::programFolder());
    window->show();
    QVERIFY(window->controller().setQualityIndex(bestQuality));

    child<QPushButton>(window, "Command2")->click();
    QTRY_VERIFY_WITH_TIMEOUT(device.lengthInBytes().value_or(0) >= 2 * bytesPerSecond, waitMs);
    child<QPushButton>(window, "Command3")->click();
    QCOMPARE(window->controller().view().state, RecorderController::State::Stopped);

    const QString wav = m_out.filePath("take1.wav");
    dialogs.answer(wav);
    child<QPushButton>(window, "Command5")->click();
    QVERIFY2(messages.messages().isEmpty(), qPrintable(messages.texts().join('\n')));
    QCOMPARE(commands->saver().savedFileName(), wav);
    QVERIFY(commands->saver().optionsWindow());
    checkTone(wav, 44100);

    // The take stays in the device after a save: a second copy under another name is the same.
    const auto contents = [](const QString &path) { QFile f(path); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); };
    const QString copy = m_out.filePath("take2.wav");
    dialogs.answer(copy);
    child<QPushButton>(window, "Command5")->click();
    QVERIFY2(messages.messages().isEmpty(), qPrintable(messages.texts().join('\n')));
    QCOMPARE(contents(copy), contents(wav));

    const QString mp3 = m_out.filePath("take 1.mp3");
    dialogs.answer(wav);
    dialogs.answer(mp3);
    messages.queueAnswer(true);
    QSignalSpy converted(&commands->converter(), &Mp3Converter::conversionFinished);
    child<QPushButton>(window, "Command10")->click();
    QVERIFY(converted.wait(waitMs));
    QVERIFY(converted.at(0).at(1).toBool());
    QCOMPARE(messages.texts(), QStringList{"Your mp3 has been created:  " + mp3 + ". Would you like to view the file?"});
    QCOMPARE(desktop.shownInFolder, QStringList{mp3});

    const QString back = m_out.filePath("back.wav");
    QProcess decoder;
    decoder.start("lame", {"--quiet", "--decode", mp3, back});
    QVERIFY(decoder.waitForFinished(waitMs));
    QCOMPARE(decoder.exitCode(), 0);
    checkTone(back, 44100);
    QVERIFY(std::fabs(double(readSound(back).info.frames) - double(readSound(wav).info.frames)) < 0.1 * 44100);

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
}

QTEST_MAIN(CompleteTakePulseTest)
#include "CompleteTakePulseTest.moc"
