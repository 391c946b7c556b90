#include "PulseTestTools.h"
#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseConnection.h"
#include "platform/PulseSystemVolume.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace PulseTestTools;

// Plays through the test daemon's null sink and listens on its monitor.
class PlaybackPulseTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs the test PulseAudio daemon (scripts/run-tests.sh)");
        m_sink = defaultSink();
        QVERIFY(!m_sink.isEmpty());
        QVERIFY(!pactl({QStringLiteral("set-sink-volume"), m_sink, QStringLiteral("100%")}).isNull());
    }

    void aChannelReachesTheSinkAtItsVolumeSliderLevel()
    {
        QTemporaryDir dir;
        const double amplitude = 0.5;
        QVERIFY(TestSounds::writeSine(ChannelTable::soundFilePath(dir.path(), ChannelTable::channel(6).soundFile),
                                      22050, 22050, 441.0, amplitude));
        PulseConnection connection;
        PulseAudioOutput output(connection);
        SoundEngine engine(output);
        QVERIFY(engine.initialise());
        QVERIFY(output.waitForServer(5000));
        engine.loadChannelSounds(dir.path());
        ChannelControls controls(engine);
        controls.setSlider(6, ChannelControls::Slider::Volume, -600);
        QVERIFY(controls.setSwitch(6, 1));

        const std::vector<float> heard = record(m_sink + QStringLiteral(".monitor"), 2.5);
        QVERIFY(!heard.empty());
        // The first second and a half leave room for the stream to start on a busy machine;
        // the last second is steady.
        const double level = TestSounds::toDecibels(TestSounds::rms(heard, 0, 72000, 48000) / (amplitude / std::sqrt(2.0)));
        QVERIFY2(std::fabs(level - -6.0) < 0.5, qPrintable(QStringLiteral("heard %1 dB").arg(level)));
        QVERIFY(std::fabs(TestSounds::rms(heard, 0, 72000, 48000) - TestSounds::rms(heard, 1, 72000, 48000)) < 0.01);
    }

    void theMasterVolumeSetsTheDefaultSink()
    {
        PulseConnection connection;
        PulseSystemVolume volume(connection);
        QVERIFY(volume.open());
        QVERIFY(volume.setVolume(31840));
        QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(m_sink), long(PulseSystemVolume::sinkVolume(31840)), 5000);
        QVERIFY(volume.setVolume(0));
        QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(m_sink), 0L, 5000);
        QVERIFY(volume.setVolume(65535));
        QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(m_sink), 65536L, 5000);
    }

private:
    QString m_sink;
};

QTEST_GUILESS_MAIN(PlaybackPulseTest)
#include "PlaybackPulseTest.moc"
