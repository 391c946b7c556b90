#include "PrivateSessionBus.h"
#include "PrivateSoundServer.h"
#include "PulseTestTools.h"

#include "desktop/DesktopPreferences.h"
#include "desktop/SingleInstance.h"
#include "engine/ChannelControls.h"
#include "engine/PauseControl.h"
#include "headless/HeadlessProgram.h"
#include "platform/AudioOutput.h"
#include "player/Player.h"
#include "product/ProgramPaths.h"
#include "settings/MixFile.h"
#include "settings/MixRecord.h"
#include "sounds/SoundChooser.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

// The program without a display, on a private session bus and the test run's sound server.
// This test links the core alone, without Qt Widgets or Qt Gui: the headless program is
// made of nothing else.
class HeadlessPulseTest : public QObject
{
    Q_OBJECT

    struct Result
    {
        int status = -1;
        QString output;
        QString errors;
    };

    PrivateSessionBus m_bus;
    QTemporaryDir m_home;

    static QString program()
    {
        return QDir(qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS")).filePath(QStringLiteral("sonivale"));
    }

    QString settingsFile() const { return QDir(m_home.path()).filePath(QStringLiteral("config/Sonivale/settings.ini")); }

    // As on a machine without a screen: no display of any kind.
    QProcessEnvironment screenless(const PrivateSessionBus &bus) const
    {
        QProcessEnvironment environment = bus.environment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(m_home.path()).filePath(QStringLiteral("config")));
        return environment;
    }

    // Runs a tool while this process goes on answering bus calls.
    Result run(const QString &tool, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(screenless(m_bus));
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(tool, arguments);
        if (!process.waitForStarted(5000) || !finished.wait(20000))
            return {-1, {}, QStringLiteral("%1 did not finish: %2").arg(tool, process.errorString())};
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed(),
                QString::fromLocal8Bit(process.readAllStandardError()).trimmed()};
    }

    Result playerctl(const QStringList &arguments)
    {
        return run(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("sonivale")} + arguments);
    }

    // PA_VOLUME_NORM, as pactl reports it.
    static constexpr long fullVolume = 65536;

    static bool streamOf(qint64 pid)
    {
        return PulseTestTools::pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")})
            .contains(QStringLiteral("application.process.id = \"%1\"").arg(pid));
    }

    // A mix with `channel` switched on.
    static bool writeMix(const QString &path, int channel)
    {
        MixRecord record;
        for (int field = 1; field <= MixRecord::fieldCount; ++field) {
            const MixRecord::Field what = MixRecord::field(field);
            if (what.control == MixRecord::Control::Switch && what.channel == channel)
                record.setValue(field, 1);
        }
        QString reason;
        return MixFile::write(path, record, &reason);
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs a sound server (scripts/run-tests.sh)");
        QVERIFY(m_home.isValid());
        QVERIFY2(m_bus.start(), qPrintable(m_bus.error()));
        // Before anything asks for the session bus, so that the program finds this one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(QDir(m_home.path()).filePath(QStringLiteral("config"))));
        QCoreApplication::setApplicationName(QStringLiteral("Sonivale"));
        ProgramPaths::overrideFolders(qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS"), QString());
    }

    void itPlaysTheGivenMixAndObeysTheMediaControlsAndLaterStarts()
    {
        const QString mix = QDir(m_home.path()).filePath(QStringLiteral("night.smf"));
        QVERIFY(writeMix(mix, 7));
        SingleInstance instance(QDBusConnection::sessionBus());
        QCOMPARE(instance.claim({}), SingleInstance::Role::First);
        int quits = 0;
        HeadlessProgram headless([&quits] { ++quits; });
        CommandLine::Request request;
        request.headless = true;
        request.mixFile = mix;
        headless.start(request, &instance);
        Player &player = headless.player();
        QCOMPARE(player.channels().switchState(7), 1);
        QTRY_VERIFY_WITH_TIMEOUT(player.audioOutput().isConnected(), 10000);
        QVERIFY(streamOf(QCoreApplication::applicationPid()));

        struct Step
        {
            QStringList arguments;
            bool pausedAfter;
            QString says;
        };
        const Step steps[] = {
            {{QStringLiteral("status")}, false, QStringLiteral("Playing")},
            {{QStringLiteral("metadata"), QStringLiteral("xesam:title")}, false, QStringLiteral("night.smf")},
            {{QStringLiteral("pause")}, true, {}},
            {{QStringLiteral("status")}, true, QStringLiteral("Paused")},
            {{QStringLiteral("play")}, false, {}},
            {{QStringLiteral("volume"), QStringLiteral("0.5")}, false, {}},
        };
        for (const Step &step : steps) {
            const Result result = playerctl(step.arguments);
            const QString what = step.arguments.join(QLatin1Char(' '));
            QVERIFY2(result.status == 0, qPrintable(what + QLatin1String(": ") + result.errors));
            QVERIFY2(player.pauseControl().isPaused() == step.pausedAfter, qPrintable(what));
            QVERIFY2(result.output.startsWith(step.says), qPrintable(what + QLatin1String(": ") + result.output));
        }
        QCOMPARE(player.audioOutput().streamVolume(), 0.5);
        // A remote offers no button that would bring forward a window there is not.
        const Result canRaise = run(QStringLiteral("dbus-send"),
                                    {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                     QStringLiteral("--dest=org.mpris.MediaPlayer2.sonivale"),
                                     QStringLiteral("/org/mpris/MediaPlayer2"), QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                                     QStringLiteral("string:org.mpris.MediaPlayer2"), QStringLiteral("string:CanRaise")});
        QVERIFY2(canRaise.output.contains(QStringLiteral("boolean false")), qPrintable(canRaise.output + canRaise.errors));
        // The server remembers the program's volume for its later streams, those of other tests too.
        player.audioOutput().setStreamVolume(1.0);
        QTRY_COMPARE(PulseTestTools::sinkInputVolume(), fullVolume);

        // A later start on the same machine, without a display, hands its options over.
        const Result paused = run(program(), {QStringLiteral("--pause")});
        QVERIFY2(paused.status == 0, qPrintable(paused.errors));
        QTRY_VERIFY(player.pauseControl().isPaused());
        const Result chosen = run(program(), {QStringLiteral("--channel-sound"), QStringLiteral("7=brook")});
        QVERIFY2(chosen.status == 0, qPrintable(chosen.errors));
        QTRY_COMPARE(player.soundChooser().choice(7), SoundChoice::builtIn(QStringLiteral("brook")));
        QCOMPARE(player.channels().switchState(7), 1);

        QFile::remove(settingsFile());
        QCOMPARE(::kill(::getpid(), SIGTERM), 0);
        QTRY_COMPARE(quits, 1);
        QVERIFY(QFile::exists(settingsFile()));
    }

    // The program itself, as a service manager starts it: it plays the last mix, tells
    // what happens on stderr and ends with 0 on each termination signal.
    void theProgramRunsWithoutADisplayAndEndsCleanlyOnEachSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void theProgramRunsWithoutADisplayAndEndsCleanlyOnEachSignal()
    {
        QFETCH(int, signalNumber);
        QDir().mkpath(QFileInfo(settingsFile()).absolutePath());
        QVERIFY(writeMix(settingsFile(), 3));
        // A bus of its own, so that no other instance takes its place.
        PrivateSessionBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        QProcess headless;
        headless.setProcessEnvironment(screenless(bus));
        headless.start(program(), {QStringLiteral("--headless")});
        QVERIFY(headless.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(streamOf(headless.processId()), 10000);

        QCOMPARE(::kill(pid_t(headless.processId()), signalNumber), 0);
        QVERIFY(headless.waitForFinished(10000));
        QCOMPARE(headless.exitStatus(), QProcess::NormalExit);
        QCOMPARE(headless.exitCode(), 0);
        const QString told = QString::fromLocal8Bit(headless.readAllStandardError());
        for (const QString &line : {QStringLiteral("started without a display"), QStringLiteral("Mix loaded: ") + settingsFile(),
                                    QStringLiteral("Playing through the sound server."), QStringLiteral("Ending")})
            QVERIFY2(told.contains(line), qPrintable(told));
    }

    // A machine by a bed may start the program before its sound server: it waits without a
    // word of complaint and plays once the server is there.
    void itWaitsQuietlyForASoundServerAndPlaysOnceOneAppears()
    {
        PrivateSoundServer server(QStringLiteral("headless_sink"));
        QVERIFY(server.start());
        server.stop();
        PrivateSessionBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        QProcess headless;
        headless.setProcessEnvironment(screenless(bus));
        headless.start(program(), {QStringLiteral("--headless")});
        QVERIFY(headless.waitForStarted(5000));
        QString told;
        QTRY_VERIFY_WITH_TIMEOUT((told += QString::fromLocal8Bit(headless.readAllStandardError()))
                                     .contains(QStringLiteral("started without a display")),
                                 10000);

        QVERIFY(server.start());
        QTRY_VERIFY_WITH_TIMEOUT(streamOf(headless.processId()), 10000);
        QCOMPARE(::kill(pid_t(headless.processId()), SIGTERM), 0);
        QVERIFY(headless.waitForFinished(10000));
        QCOMPARE(headless.exitCode(), 0);
        told += QString::fromLocal8Bit(headless.readAllStandardError());
        QVERIFY2(told.contains(QStringLiteral("Playing through the sound server.")), qPrintable(told));
        QVERIFY2(!told.contains(QStringLiteral("Warning")) && !told.contains(QStringLiteral("lost")), qPrintable(told));
    }

    // The sink chosen on the console's Playback > "Play On" is played on here too.
    void itPlaysOnTheSinkChosenInThePreferences()
    {
        PrivateSoundServer server(QStringLiteral("headless_main"));
        QVERIFY(server.start());
        const QString chosen = QStringLiteral("headless_chosen");
        QVERIFY(!PulseTestTools::pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                        QStringLiteral("sink_name=") + chosen})
                     .isNull());
        QDir().mkpath(ProgramPaths::configFolder());
        DesktopPreferences(ProgramPaths::configFolder()).setPlayOnSink(chosen);
        PrivateSessionBus bus;
        QVERIFY2(bus.start(), qPrintable(bus.error()));
        QProcess headless;
        headless.setProcessEnvironment(screenless(bus));
        headless.start(program(), {QStringLiteral("--headless")});
        QVERIFY(headless.waitForStarted(5000));
        const auto playsOn = [] {
            const QString stream = PulseTestTools::pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
            const QString sinks = PulseTestTools::pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
            const QString index = stream.section(QLatin1Char('\t'), 1, 1);
            for (const QString &sink : sinks.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                if (!index.isEmpty() && sink.section(QLatin1Char('\t'), 0, 0) == index)
                    return sink.section(QLatin1Char('\t'), 1, 1);
            }
            return QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(playsOn(), chosen, 10000);
        DesktopPreferences(ProgramPaths::configFolder()).setPlayOnSink(QString());
        QCOMPARE(::kill(pid_t(headless.processId()), SIGTERM), 0);
        QVERIFY(headless.waitForFinished(10000));
        const QString told = QString::fromLocal8Bit(headless.readAllStandardError());
        QVERIFY2(told.contains(QStringLiteral("Playing on the sink headless_chosen.")), qPrintable(told));
    }
};

QTEST_GUILESS_MAIN(HeadlessPulseTest)
#include "HeadlessPulseTest.moc"
