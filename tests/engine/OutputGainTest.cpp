#include "ConsoleRig.h"
#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/OutputGain.h"
#include "engine/OutputPause.h"

#include <QSignalSpy>
#include <QTest>

// The output's own gain stage on rendered audio: pause and play, and the level that the
// sleep timer lowers.
class OutputGainTest : public QObject
{
    Q_OBJECT

    static constexpr std::size_t rate = ConsoleRig::outputRate;
    // Ten periods of the test sounds' 441 Hz.
    static constexpr std::size_t cycles = 1088;

private slots:
    void pauseFadesTheWholeOutputAndPlayBringsItBack()
    {
        ConsoleRig rig;
        QVERIFY(rig.ready());
        QVERIFY(rig.controls().setSwitch(6, 1));
        QVERIFY(rig.controls().setSlider(6, ChannelControls::Slider::Volume, -600));
        const std::vector<float> steady = rig.render(1.0);
        const double level = ConsoleRig::levelDb(steady, rate / 2, rate / 2);
        const float steadyStep = ConsoleRig::largestStep(steady);

        OutputPause pause(rig.mixer().outputGain());
        QSignalSpy changes(&pause, &PauseControl::pausedChanged);
        pause.pause();
        pause.pause();
        QCOMPARE(changes.count(), 1);
        QVERIFY(pause.isPaused());
        const std::vector<float> fading = rig.render(0.6);
        QVERIFY(ConsoleRig::largestStep(fading) <= steadyStep * 1.01f);
        QVERIFY(ConsoleRig::levelDb(fading, 2 * rate / 5, rate / 10) > level - 40.0);
        // The limiter's look-ahead delays the end by a few milliseconds.
        QVERIFY(ConsoleRig::levelDb(fading, rate / 2 + rate / 100, rate / 20) < -120.0);
        // The mix stays as it was set.
        QCOMPARE(rig.controls().switchState(6), 1);
        QCOMPARE(rig.engine().buffer(6)->volume(), -600);

        pause.toggle();
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.last().at(0).toBool(), false);
        const std::vector<float> rising = rig.render(0.6);
        QVERIFY(ConsoleRig::largestStep(rising) <= steadyStep * 1.01f);
        QVERIFY(qAbs(ConsoleRig::levelDb(rising, rate / 2, rate / 10) - level) < 0.05);
    }

    void aLevelIsRampedEvenlyInDecibelsDownToSilence()
    {
        const std::pair<float, double> gains[] = {{0.0f, 0.0}, {-6.0f, -6.0}, {-20.0f, -20.1}, {-40.0f, -40.9}};
        for (const auto &[decibels, expected] : gains) {
            QVERIFY2(qAbs(TestSounds::toDecibels(OutputGain::levelGain(decibels)) - expected) < 0.1,
                     qPrintable(QString::number(decibels)));
        }
        QCOMPARE(OutputGain::levelGain(OutputGain::silenceDecibels), 0.0f);
        QCOMPARE(OutputGain::levelGain(-80.0f), 0.0f);

        ConsoleRig rig;
        QVERIFY(rig.ready());
        QVERIFY(rig.controls().setSwitch(7, 1));
        const double level = ConsoleRig::levelDb(rig.render(1.0), rate / 2, rate / 2);
        rig.mixer().outputGain().setLevel(-20.0f);
        const std::vector<float> ramp = rig.render(1.2);
        // Halfway through its second the ramp is halfway in decibels.
        QVERIFY(qAbs(ConsoleRig::levelDb(ramp, rate / 2 - cycles / 2, cycles) - (level - 10.05)) < 0.5);
        QVERIFY(qAbs(ConsoleRig::levelDb(ramp, rate + rate / 20, rate / 10) - (level - 20.1)) < 0.1);
        rig.mixer().outputGain().setLevel(OutputGain::silenceDecibels);
        QVERIFY(ConsoleRig::levelDb(rig.render(1.1), rate, rate / 10) < -120.0);
    }
};

QTEST_GUILESS_MAIN(OutputGainTest)
#include "OutputGainTest.moc"
