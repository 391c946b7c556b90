#include "FakePauseControl.h"
#include "PrivateSessionBus.h"

#include "desktop/MprisService.h"
#include "desktop/SingleInstance.h"
#include "platform/OfflineAudioOutput.h"

#include <QDBusConnection>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The media controls and the single instance, driven by the desktop's own tools (playerctl,
// dbus-send, a second start of the program) over a private session bus.
class DesktopBusTest : public QObject
{
    Q_OBJECT

    struct Result
    {
        int status = -1;
        QString output;
        QString errors;
    };

    PrivateSessionBus m_bus;
    const QString m_connectionName = QStringLiteral("test-bus");

    QDBusConnection bus() const { return QDBusConnection(m_connectionName); }

    // Runs a tool against the private bus while this process goes on answering bus calls.
    Result run(const QString &program, const QStringList &arguments, const QString &folder = {})
    {
        QProcess process;
        QProcessEnvironment environment = m_bus.environment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(program, arguments);
        if (!process.waitForStarted(5000) || !finished.wait(20000))
            return {-1, {}, QStringLiteral("%1 did not finish: %2").arg(program, process.errorString())};
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed(),
                QString::fromLocal8Bit(process.readAllStandardError()).trimmed()};
    }

    Result playerctl(const QStringList &arguments)
    {
        return run(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("sonivale")} + arguments);
    }

    Result call(const QString &interface, const QString &method, const QStringList &arguments = {})
    {
        return run(QStringLiteral("dbus-send"),
                   QStringList{QStringLiteral("--session"), QStringLiteral("--print-reply"),
                               QStringLiteral("--dest=") + QString::fromLatin1(MprisService::busName),
                               QString::fromLatin1(MprisService::objectPath), interface + QLatin1Char('.') + method} +
                       arguments);
    }

    QString properties(const char *interface)
    {
        return call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"),
                    {QStringLiteral("string:") + QString::fromLatin1(interface)})
            .output.simplified();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_bus.start(), qPrintable(m_bus.error()));
        QVERIFY(QDBusConnection::connectToBus(m_bus.address(), m_connectionName).isConnected());
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(m_connectionName);
    }

    void playerctlPausesPlaysAndSetsTheStreamVolume()
    {
        FakePauseControl pause;
        OfflineAudioOutput output;
        MprisService service(bus(), pause, output, {});
        QVERIFY(service.publish());

        struct Step
        {
            QStringList arguments;
            bool pausedAfter;
            QString says;
        };
        const Step steps[] = {
            {{QStringLiteral("status")}, false, QStringLiteral("Playing")},
            {{QStringLiteral("pause")}, true, {}},
            {{QStringLiteral("pause")}, true, {}},   // Pause never plays
            {{QStringLiteral("status")}, true, QStringLiteral("Paused")},
            {{QStringLiteral("play")}, false, {}},
            {{QStringLiteral("play")}, false, {}},   // Play never pauses
            {{QStringLiteral("play-pause")}, true, {}},
            {{QStringLiteral("play-pause")}, false, {}},
            {{QStringLiteral("stop")}, true, {}},
            {{QStringLiteral("metadata"), QStringLiteral("xesam:title")}, true, QStringLiteral("Sonivale mix")},
            {{QStringLiteral("volume"), QStringLiteral("0.4")}, true, {}},
            {{QStringLiteral("volume")}, true, QStringLiteral("0.4")},
        };
        for (const Step &step : steps) {
            const Result result = playerctl(step.arguments);
            const QString what = step.arguments.join(QLatin1Char(' '));
            QVERIFY2(result.status == 0, qPrintable(what + QLatin1String(": ") + result.errors));
            QVERIFY2(pause.isPaused() == step.pausedAfter, qPrintable(what));
            QVERIFY2(result.output.startsWith(step.says), qPrintable(what + QLatin1String(": ") + result.output));
        }
        QCOMPARE(output.streamVolume(), 0.4);

        service.setMixFile(QStringLiteral("/home/ann/night.smf"));
        QCOMPARE(playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}).output, QStringLiteral("night.smf"));
        QVERIFY(properties(MprisService::playerInterface).contains(QStringLiteral("\"CanGoNext\" variant boolean false")));
        QVERIFY(properties(MprisService::playerInterface).contains(QStringLiteral("\"CanControl\" variant boolean true")));
    }

    // playerctl --follow prints a line for each PropertiesChanged it hears.
    void everyChangeIsAnnounced()
    {
        FakePauseControl pause;
        OfflineAudioOutput output;
        MprisService service(bus(), pause, output, {});
        QVERIFY(service.publish());

        QProcess follower;
        follower.setProcessEnvironment(m_bus.environment());
        follower.start(QStringLiteral("playerctl"),
                       {QStringLiteral("-p"), QStringLiteral("sonivale"), QStringLiteral("--follow"), QStringLiteral("metadata"),
                        QStringLiteral("--format"), QStringLiteral("{{status}}|{{volume}}|{{xesam:title}}")});
        const auto nextLine = [&follower]() -> QString {
            while (!follower.canReadLine()) {
                QSignalSpy ready(&follower, &QProcess::readyReadStandardOutput);
                if (!ready.wait(10000))
                    return QStringLiteral("(nothing)");
            }
            return QString::fromLocal8Bit(follower.readLine()).trimmed();
        };
        QCOMPARE(nextLine(), QStringLiteral("Playing|1.0|Sonivale mix"));
        pause.pause();
        QCOMPARE(nextLine(), QStringLiteral("Paused|1.0|Sonivale mix"));
        output.setStreamVolume(0.25);
        QCOMPARE(nextLine(), QStringLiteral("Paused|0.25|Sonivale mix"));
        service.setMixFile(QStringLiteral("/tmp/rain.smf"));
        QCOMPARE(nextLine(), QStringLiteral("Paused|0.25|rain.smf"));
        follower.kill();
        follower.waitForFinished(5000);
    }

    void theRootInterfaceRaisesAndQuits()
    {
        FakePauseControl pause;
        OfflineAudioOutput output;
        int raised = 0;
        int quit = 0;
        MprisService service(bus(), pause, output, {[&] { ++raised; }, [&] { ++quit; }});
        QVERIFY(service.publish());

        const QString root = QString::fromLatin1(MprisService::rootInterface);
        QCOMPARE(call(root, QStringLiteral("Raise")).status, 0);
        QCOMPARE(raised, 1);
        QCOMPARE(call(root, QStringLiteral("Quit")).status, 0);
        QTRY_COMPARE(quit, 1);
        const QString all = properties(MprisService::rootInterface);
        for (const char *expected : {"\"Identity\" variant string \"Sonivale\"", "\"DesktopEntry\" variant string \"org.sonivale.Sonivale\"",
                                     "\"CanRaise\" variant boolean true", "\"CanQuit\" variant boolean true"})
            QVERIFY2(all.contains(QLatin1String(expected)), expected);
    }

    // A second start of the real program hands its request to the first and ends with 0;
    // bad arguments end it with 2 before it looks for the first.
    void aSecondStartHandsOverToTheFirst()
    {
        SingleInstance first(bus());
        QCOMPARE(first.claim({}), SingleInstance::Role::First);
        QSignalSpy requested(&first, &SingleInstance::requested);
        QTemporaryDir folder;
        const QString program = QDir(qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS")).filePath(QStringLiteral("sonivale"));

        const Result handed = run(program, {QStringLiteral("--pause"), QStringLiteral("rain.smf")}, folder.path());
        QVERIFY2(handed.status == 0, qPrintable(handed.errors));
        QTRY_COMPARE(requested.size(), 1);
        QCOMPARE(requested.at(0).at(0).toStringList(),
                 (QStringList{QStringLiteral("--pause"), QStringLiteral("--load"), folder.filePath(QStringLiteral("rain.smf"))}));

        const Result bad = run(program, {QStringLiteral("--sleep"), QStringLiteral("soon")});
        QCOMPARE(bad.status, 2);
        QVERIFY2(bad.errors.contains(QStringLiteral("--sleep \"soon\" is not a duration")), qPrintable(bad.errors));
        QCOMPARE(requested.size(), 1);
    }

    void withoutABusTheProgramRunsAlone()
    {
        SingleInstance alone(QDBusConnection(QStringLiteral("no such connection")));
        QCOMPARE(alone.claim({}), SingleInstance::Role::Alone);
    }
};

QTEST_GUILESS_MAIN(DesktopBusTest)
#include "DesktopBusTest.moc"
