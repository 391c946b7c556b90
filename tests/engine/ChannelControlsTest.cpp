#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Slider = ChannelControls::Slider;

class ChannelControlsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<OfflineAudioOutput> m_output;
    std::unique_ptr<SoundEngine> m_engine;
    std::unique_ptr<ChannelControls> m_controls;

    // Channel n's sound plays at 11000 + n Hz, so every readout written from a buffer is
    // told apart from one written from a slider.
    static int rateOf(int channel) { return 11000 + channel; }

private slots:
    void init()
    {
        QVERIFY(TestSounds::writeChannelSounds(m_dir.path(), rateOf));
        m_output = std::make_unique<OfflineAudioOutput>();
        m_engine = std::make_unique<SoundEngine>(*m_output);
        QVERIFY(m_engine->initialise());
        QVERIFY(m_engine->loadChannelSounds(m_dir.path()).isEmpty());
        m_controls = std::make_unique<ChannelControls>(*m_engine);
        m_controls->dofilllabels();
    }

    void cleanup()
    {
        m_controls.reset();
        m_engine.reset();
        m_output.reset();
    }

    void afterStartUpEverythingIsOffAndReadoutsShowTheSliders()
    {
        for (int channel = 1; channel <= 14; ++channel) {
            QCOMPARE(m_controls->switchState(channel), 0);
            QCOMPARE(m_controls->readout(channel), QStringLiteral("32000"));
            QVERIFY(!m_controls->controlsEnabled(channel));
            ChannelBuffer *buffer = m_engine->buffer(channel);
            QVERIFY(!buffer->isPlaying());
            QCOMPARE(buffer->volume(), 0);
            QCOMPARE(buffer->frequency(), rateOf(channel));
        }
    }

    void switchingOnPlaysAtTheVolumeSliderAndShowsTheBufferRate()
    {
        QVERIFY(m_controls->setSwitch(6, 1));
        ChannelBuffer *rain = m_engine->buffer(6);
        QVERIFY(rain->isPlaying());
        QCOMPARE(rain->volume(), -2000);
        QCOMPARE(m_controls->readout(6), QString::number(rateOf(6)));
        QCOMPARE(m_controls->slider(6, Slider::Frequency), 32000);
        QVERIFY(m_controls->controlsEnabled(6));
        for (int channel = 1; channel <= 14; ++channel) {
            if (channel == 6)
                continue;
            QVERIFY(!m_engine->buffer(channel)->isPlaying());
            QCOMPARE(m_engine->buffer(channel)->volume(), 0);
            QVERIFY(!m_controls->controlsEnabled(channel));
        }
    }

    void channelsOneAndTwoRewriteEveryReadoutFirst()
    {
        m_controls->setSwitch(6, 1);
        m_controls->setSwitch(7, 1);
        QCOMPARE(m_controls->readout(6), QString::number(rateOf(6)));
        m_controls->setSwitch(3, 1);
        QCOMPARE(m_controls->readout(6), QString::number(rateOf(6)));

        m_controls->setSwitch(1, 1);
        QCOMPARE(m_controls->readout(1), QString::number(rateOf(1)));
        for (int channel = 2; channel <= 14; ++channel)
            QCOMPARE(m_controls->readout(channel), QStringLiteral("32000"));
    }

    void switchingOffKeepsEverythingAndOnAgainReappliesOnlyTheVolume()
    {
        m_controls->setSwitch(8, 1);
        m_controls->setSlider(8, Slider::Volume, -500);
        m_controls->setSlider(8, Slider::Pan, 1200);
        m_controls->setSlider(8, Slider::Frequency, 20000);
        ChannelBuffer *ocean = m_engine->buffer(8);
        QVERIFY(m_controls->setSwitch(8, 0));
        QVERIFY(!ocean->isPlaying());
        QVERIFY(!m_controls->controlsEnabled(8));
        QCOMPARE(m_controls->readout(8), QStringLiteral("20000"));

        ocean->setVolume(-100);
        ocean->setPan(0);
        m_controls->setSwitch(8, 1);
        QCOMPARE(ocean->volume(), -500);
        QCOMPARE(ocean->pan(), 0);
        QCOMPARE(ocean->frequency(), 20000);
    }

    void aValueThatDoesNotChangeRunsNothing()
    {
        QSignalSpy enabled(m_controls.get(), &ChannelControls::enabledChanged);
        QSignalSpy switches(m_controls.get(), &ChannelControls::switchChanged);
        QVERIFY(m_controls->setSwitch(4, 0));
        QVERIFY(m_controls->setSlider(4, Slider::Volume, -2000));
        QCOMPARE(switches.count(), 0);
        QCOMPARE(enabled.count(), 0);
        QCOMPARE(m_engine->buffer(4)->volume(), 0);

        m_controls->setSwitch(5, 1);
        m_controls->setSlider(5, Slider::Frequency, 12345);
        m_engine->buffer(5)->setFrequency(20000);
        m_controls->setSlider(5, Slider::Frequency, 12345);
        QCOMPARE(m_controls->readout(5), QStringLiteral("12345"));
    }

    void slidersActOnStoppedBuffersAndFrequencyRefreshesTheReadout()
    {
        QVERIFY(m_controls->setSlider(12, Slider::Volume, -100));
        QVERIFY(m_controls->setSlider(12, Slider::Pan, -3000));
        QVERIFY(m_controls->setSlider(12, Slider::Frequency, 100));
        ChannelBuffer *air = m_engine->buffer(12);
        QCOMPARE(air->volume(), -100);
        QCOMPARE(air->pan(), -3000);
        QCOMPARE(air->frequency(), 100);
        QCOMPARE(m_controls->readout(12), QStringLiteral("100"));
        QVERIFY(!m_controls->controlsEnabled(12));
        QVERIFY(!air->isPlaying());
    }

    void outOfRangeValuesAreRefused()
    {
        QVERIFY(!m_controls->setSwitch(1, 2));
        QVERIFY(!m_controls->setSlider(1, Slider::Volume, 1));
        QVERIFY(!m_controls->setSlider(1, Slider::Pan, 3001));
        QVERIFY(!m_controls->setSlider(1, Slider::Frequency, 99));
        QVERIFY(!m_controls->setSlider(1, Slider::Frequency, 32768));
        QCOMPARE(m_controls->switchState(1), 0);
        QCOMPARE(m_controls->slider(1, Slider::Frequency), 32000);
    }

    void aChannelWithoutItsSoundCannotBeSwitchedOn()
    {
        QFile::remove(ChannelTable::soundFilePath(m_dir.path(), ChannelTable::channel(10).soundFile));
        const QStringList failed = m_engine->loadChannelSounds(m_dir.path());
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.first().endsWith(QStringLiteral("/cicada.Wav")));
        QVERIFY(!m_controls->isAvailable(10));
        QVERIFY(!m_controls->setSwitch(10, 1));
        QCOMPARE(m_controls->switchState(10), 0);
        QVERIFY(m_controls->setSlider(10, Slider::Frequency, 1000));
        QCOMPARE(m_controls->readout(10), QStringLiteral("1000"));
        QVERIFY(m_controls->setSwitch(11, 1));
    }

    void soundFileNamesIgnoreTrailingBlanksAndLetterCase()
    {
        QCOMPARE(ChannelTable::soundFilePath(QStringLiteral("/x"), "\\violet.Wav "), QStringLiteral("/x/violet.Wav"));
        QFile::rename(m_dir.filePath(QStringLiteral("saw.Wav")), m_dir.filePath(QStringLiteral("SAW.WAV")));
        QCOMPARE(ChannelTable::soundFilePath(m_dir.path(), "\\saw.Wav"), m_dir.filePath(QStringLiteral("SAW.WAV")));
    }

    void reloadingSilencesPlayingChannelsWithFreshBuffers()
    {
        m_controls->setSwitch(3, 1);
        m_controls->setSlider(3, Slider::Pan, 500);
        m_engine->loadChannelSounds(m_dir.path());
        ChannelBuffer *white = m_engine->buffer(3);
        QVERIFY(!white->isPlaying());
        QCOMPARE(white->volume(), 0);
        QCOMPARE(white->pan(), 0);
        QCOMPARE(white->frequency(), rateOf(3));
        QCOMPARE(m_controls->switchState(3), 1);
    }
};

QTEST_GUILESS_MAIN(ChannelControlsTest)
#include "ChannelControlsTest.moc"
