#include "FakeSystemVolume.h"
#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "output/MasterOutput.h"
#include "platform/OfflineAudioOutput.h"

#include <QTemporaryDir>
#include <QTest>

class MasterOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void theMixerGetsThePositionTimesOnePointNineNine()
    {
        QCOMPARE(MasterOutput::mixerValue(0), 0u);
        QCOMPARE(MasterOutput::mixerValue(16000), 31840u);
        QCOMPARE(MasterOutput::mixerValue(32750), 65172u);
        QCOMPARE(MasterOutput::mixerValue(1), 2u);
    }

    void volumeChangesReachTheDesktopAndMuteToggles()
    {
        OfflineAudioOutput output;
        SoundEngine engine(output);
        FakeSystemVolume volume;
        MasterOutput master(&volume, engine);
        QCOMPARE(master.volume(), 16000);
        QVERIFY(volume.m_sent.isEmpty());

        master.setVolume(32750);
        QCOMPARE(volume.m_sent.last(), 65172u);
        master.setVolume(16000);

        master.toggleMute();
        QCOMPARE(master.volume(), 0);
        QCOMPARE(volume.m_sent.last(), 0u);
        master.setVolume(5000);
        master.toggleMute();
        QCOMPARE(master.volume(), 16000);
        QCOMPARE(volume.m_sent.last(), 31840u);
        QVERIFY(!master.isMuted());

        master.setVolume(0);
        const auto sent = volume.m_sent.size();
        master.toggleMute();
        QCOMPARE(volume.m_sent.size(), sent);
        master.toggleMute();
        QCOMPARE(master.volume(), 0);
    }

    void withoutADesktopMixerTheMasterVolumeMovesHarmlessly()
    {
        OfflineAudioOutput output;
        SoundEngine engine(output);
        MasterOutput master(nullptr, engine);
        QVERIFY(master.setVolume(100));
        master.toggleMute();
        master.toggleMute();
        QCOMPARE(master.volume(), 100);
        QVERIFY(!master.setVolume(32751));
    }

    void masterPanSetsEveryBufferUntilAChannelPanMoves()
    {
        QTemporaryDir dir;
        QVERIFY(TestSounds::writeChannelSounds(dir.path(), [](int) { return 22050; }));
        OfflineAudioOutput output;
        SoundEngine engine(output);
        engine.loadChannelSounds(dir.path());
        ChannelControls controls(engine);
        MasterOutput master(nullptr, engine);
        controls.setSwitch(1, 1);
        controls.setSwitch(3, 1);

        QVERIFY(master.setPan(-3000));
        for (int channel = 1; channel <= 14; ++channel)
            QCOMPARE(engine.buffer(channel)->pan(), -3000);
        QCOMPARE(controls.slider(3, ChannelControls::Slider::Pan), 0);

        controls.setSlider(3, ChannelControls::Slider::Pan, 700);
        QCOMPARE(engine.buffer(3)->pan(), 700);
        QCOMPARE(engine.buffer(1)->pan(), -3000);
        QCOMPARE(master.pan(), -3000);
        QVERIFY(!master.setPan(-3001));
    }
};

QTEST_GUILESS_MAIN(MasterOutputTest)
#include "MasterOutputTest.moc"
