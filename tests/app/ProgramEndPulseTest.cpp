#include "PulseTestTools.h"

#include "app/MainWindow.h"
#include "app/Program.h"
#include "product/ProgramPaths.h"
#include "app/RecorderLauncher.h"
#include "recorder/RecorderWindow.h"

#include <sndfile.h>

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSlider>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

// Ending the program without "Exit": a termination signal, as a desktop sends at logout or
// a terminal on Ctrl+C, must end it as "Exit" does.
class ProgramEndPulseTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QString settingsFile() const { return QDir(m_home.path()).filePath(QStringLiteral("config/Sonivale/settings.ini")); }

    static QString readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }

    static bool streamOf(qint64 pid)
    {
        return PulseTestTools::pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")})
            .contains(QStringLiteral("application.process.id = \"%1\"").arg(pid));
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs a sound server (scripts/run-tests.sh)");
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(QDir(m_home.path()).filePath(QStringLiteral("config"))));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(QDir(m_home.path()).filePath(QStringLiteral("cache"))));
        Program::describeApplication();
        ProgramPaths::overrideFolders(qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS"), QString());
    }

    void aSignalEndsTheProgramAsExitDoes()
    {
        QFile::remove(settingsFile());
        int quits = 0;
        Program program([&quits] { ++quits; });
        program.start();
        auto *volume = program.console().findChild<QSlider *>(QStringLiteral("HScroll3"));
        QVERIFY(volume);
        volume->setValue(-1234);

        QCOMPARE(::kill(::getpid(), SIGTERM), 0);
        QTRY_COMPARE(quits, 1);
        QVERIFY(!program.console().isVisible());
        QVERIFY2(readAll(settingsFile()).contains(QStringLiteral("-1234")), qPrintable(readAll(settingsFile())));
    }

    void aSignalKeepsARunningTakeAsACompleteWav()
    {
        int quits = 0;
        Program program([&quits] { ++quits; });
        program.start();
        auto *rain = program.console().findChild<QCheckBox *>(QStringLiteral("Check7"));
        QVERIFY(rain);
        rain->setChecked(true);
        program.recorder().show();
        QVERIFY(program.recorder().window());
        RecorderController &recorder = program.recorder().window()->controller();
        recorder.recordNow();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.hasUnsavedTake(), 10000);

        QCOMPARE(::kill(::getpid(), SIGTERM), 0);
        QTRY_COMPARE(quits, 1);
        QVERIFY(!program.recorder().window());
        QDirIterator takes(QDir(m_home.path()).filePath(QStringLiteral("cache")), {QStringLiteral("*.wav")}, QDir::Files,
                           QDirIterator::Subdirectories);
        QVERIFY(takes.hasNext());
        const QString take = takes.next();
        SF_INFO info{};
        SNDFILE *file = sf_open(QFile::encodeName(take).constData(), SFM_READ, &info);
        QVERIFY2(file, sf_strerror(nullptr));
        const sf_count_t frames = info.frames;
        const int sampleBytes = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 ? 1 : 2;
        sf_close(file);
        QVERIFY(frames > 0);
        // The header's sizes agree with the data that is there: nothing is cut off or claimed.
        QCOMPARE(QFileInfo(take).size(), qint64(44) + frames * info.channels * sampleBytes);
    }

    void theRunningProgramExitsCleanlyOnEachSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void theRunningProgramExitsCleanlyOnEachSignal()
    {
        QFETCH(int, signalNumber);
        QFile::remove(settingsFile());
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QDir(qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS")).filePath(QStringLiteral("sonivale")), {});
        QVERIFY(program.waitForStarted(5000));
        // Its stream plays once start-up is done.
        QTRY_VERIFY_WITH_TIMEOUT(streamOf(program.processId()), 10000);
        QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(settingsFile()));
    }
};

QTEST_MAIN(ProgramEndPulseTest)
#include "ProgramEndPulseTest.moc"
