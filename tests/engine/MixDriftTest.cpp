#include "ConsoleRig.h"
#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/MixDrift.h"

#include <QTest>

#include <cmath>

// The drift on rendered audio: where it leads each channel, and that a seed fixes it.
class MixDriftTest : public QObject
{
    Q_OBJECT

    static constexpr std::size_t rate = ConsoleRig::outputRate;

    static void playRain(ConsoleRig &rig, std::uint32_t seed)
    {
        rig.mixer().drift().setSeed(seed);
        QVERIFY(rig.controls().setSwitch(6, 1));
        QVERIFY(rig.controls().setSlider(6, ChannelControls::Slider::Volume, -1200));
    }

private slots:
    void theLevelAndPanFollowTheChannelsPathInAudioTime()
    {
        ConsoleRig rig;
        QVERIFY(rig.ready());
        playRain(rig, 7);
        const double level = ConsoleRig::levelDb(rig.render(1.0), rate / 2, rate / 2);
        rig.mixer().drift().setDepth(MixDrift::maximumDepth);
        const std::vector<float> heard = rig.render(70.0);

        double lowest = 0.0;
        double highest = -200.0;
        for (int second = 8; second <= 68; second += 4) {
            const double audioTime = 1.0 + second;
            const std::size_t first = static_cast<std::size_t>(second) * rate - rate / 20;
            const double left = ConsoleRig::levelDb(heard, first, rate / 10);
            const double right = TestSounds::toDecibels(TestSounds::rms(heard, 1, first, rate / 10));
            const double volume = 6.0 * rig.mixer().drift().path(6, 0, audioTime);
            const double pan = 3.0 * rig.mixer().drift().path(6, 1, audioTime);
            const double expectedLeft = level + volume - std::max(0.0, pan);
            QVERIFY2(qAbs(left - expectedLeft) < 0.2, qPrintable(QStringLiteral("%1 s: %2 dB, not %3").arg(second).arg(left).arg(expectedLeft)));
            QVERIFY(qAbs((right - left) - pan) < 0.2);
            lowest = std::min(lowest, left - level);
            highest = std::max(highest, left - level);
        }
        QVERIFY(lowest >= -9.01 && highest <= 6.01);
        // The sliders stay where the user put them.
        QCOMPARE(rig.controls().slider(6, ChannelControls::Slider::Volume), -1200);
        QCOMPARE(rig.engine().buffer(6)->volume(), -1200);
    }

    void aSeedFixesThePathsAndEachChannelHasItsOwn()
    {
        ConsoleRig first;
        ConsoleRig second;
        ConsoleRig other;
        QVERIFY(first.ready() && second.ready() && other.ready());
        playRain(first, 11);
        playRain(second, 11);
        playRain(other, 12);
        for (ConsoleRig *rig : {&first, &second, &other})
            rig->mixer().drift().setDepth(400);
        const std::vector<float> heard = first.render(6.0);
        QVERIFY(heard == second.render(6.0));
        QVERIFY(heard != other.render(6.0));

        const MixDrift &drift = first.mixer().drift();
        for (double t = 0.0; t < 3600.0; t += 37.0) {
            QVERIFY(std::fabs(drift.path(1, 0, t)) <= 1.0f);
            QVERIFY(drift.path(1, 0, t) != drift.path(2, 0, t));
        }
    }
};

QTEST_GUILESS_MAIN(MixDriftTest)
#include "MixDriftTest.moc"
