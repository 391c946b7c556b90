#include "PulseTestTools.h"
#include "TestSounds.h"

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseMixerLines.h"
#include "platform/PulseSystemVolume.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace PulseTestTools;

// Runs a daemon of its own, so that stopping and restarting it disturbs no other test.
class ReconnectPulseTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_runtime;
    QProcess m_daemon;

    bool startDaemon()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_runtime.path());
        environment.insert(QStringLiteral("PULSE_STATE_PATH"), m_runtime.path());
        m_daemon.setProcessEnvironment(environment);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--disable-shm=yes"), QStringLiteral("--use-pid-file=no"),
                        QStringLiteral("--log-level=0"), QStringLiteral("-L"),
                        QStringLiteral("module-null-sink sink_name=reconnect_sink"), QStringLiteral("-L"),
                        QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=%1/native").arg(m_runtime.path())});
        if (!m_daemon.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000) {
            if (!pactl({QStringLiteral("info")}).isNull())
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    void stopDaemon()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(10000);
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs PulseAudio (scripts/run-tests.sh)");
        qputenv("PULSE_SERVER", QStringLiteral("unix:%1/native").arg(m_runtime.path()).toLocal8Bit());
        QVERIFY(startDaemon());
    }

    void cleanupTestCase()
    {
        stopDaemon();
    }

    void playbackMasterVolumeAndLinesComeBackAfterTheServerRestarts()
    {
        QTemporaryDir sounds;
        QVERIFY(TestSounds::writeSine(ChannelTable::soundFilePath(sounds.path(), ChannelTable::channel(1).soundFile),
                                      22050, 22050, 441.0, 0.5));
        PulseAudioOutput output;
        SoundEngine engine(output);
        QVERIFY(engine.initialise());
        QVERIFY(output.waitForServer(5000));
        engine.loadChannelSounds(sounds.path());
        ChannelControls controls(engine);
        controls.setSlider(1, ChannelControls::Slider::Volume, 0);
        QVERIFY(controls.setSwitch(1, 1));
        PulseSystemVolume volume;
        QVERIFY(volume.open());
        volume.setVolume(50000);
        const long wanted = long(PulseSystemVolume::sinkVolume(50000));
        QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(QStringLiteral("reconnect_sink")), wanted, 5000);

        PulseMixerLines lines;
        QVERIFY(lines.open());
        QCOMPARE(lines.playbackLineCount(), 1);
        QSignalSpy replaced(&lines, &MixerLines::linesReplaced);

        QSignalSpy connection(&output, &AudioOutput::connectedChanged);
        stopDaemon();
        QTRY_VERIFY_WITH_TIMEOUT(!output.isConnected(), 5000);
        QVERIFY(startDaemon());
        QTRY_VERIFY_WITH_TIMEOUT(output.isConnected(), 8000);
        QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(QStringLiteral("reconnect_sink")), wanted, 8000);

        const std::vector<float> heard = record(QStringLiteral("reconnect_sink.monitor"), 2.0);
        QVERIFY(!heard.empty());
        QVERIFY(TestSounds::rms(heard, 0, 48000, 48000) > 0.01);
        QVERIFY(connection.count() >= 2);
        QTRY_COMPARE_WITH_TIMEOUT(replaced.count(), 1, 8000);
        QCOMPARE(lines.playbackLineCount(), 1);
    }
};

QTEST_GUILESS_MAIN(ReconnectPulseTest)
#include "ReconnectPulseTest.moc"
