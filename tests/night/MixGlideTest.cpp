#include "ConsoleRig.h"
#include "ManualClock.h"

#include "engine/ChannelBuffer.h"
#include "night/MixGlide.h"
#include "settings/ConsoleMix.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

using Slider = ChannelControls::Slider;
// The channels a mix switches on, each with its volume; all else at the start values.
using Mix = std::vector<std::pair<int, int>>;
Q_DECLARE_METATYPE(Mix)

// A glide between mixes on rendered audio, against a plain Load of the same mix.
class MixGlideTest : public QObject
{
    Q_OBJECT

    // Brown noise and rain playing; the target has rain louder, panned and lower, wind on
    // and brown noise off.
    static void setEvening(ChannelControls &controls)
    {
        QVERIFY(controls.setSwitch(1, 1));
        QVERIFY(controls.setSwitch(6, 1));
        QVERIFY(controls.setSlider(6, Slider::Volume, -2000));
        QVERIFY(controls.setSlider(7, Slider::Pan, -3000));
    }

    static MixRecord morning()
    {
        MixRecord record;
        for (int field = 1; field <= MixRecord::fieldCount; ++field) {
            const MixRecord::Field f = MixRecord::field(field);
            if (f.channel == 6 && f.control == MixRecord::Control::Switch)
                record.setValue(field, 1);
            if (f.channel == 7 && f.control == MixRecord::Control::Switch)
                record.setValue(field, 1);
            if (f.channel == 6 && f.control == MixRecord::Control::Volume)
                record.setValue(field, -500);
            if (f.channel == 6 && f.control == MixRecord::Control::Pan)
                record.setValue(field, 1000);
            if (f.channel == 6 && f.control == MixRecord::Control::Frequency)
                record.setValue(field, 22050);
            if (f.channel == 7 && f.control == MixRecord::Control::Volume)
                record.setValue(field, -1000);
        }
        return record;
    }

    static MixRecord recordOf(const Mix &mix)
    {
        MixRecord record;
        for (int number = 1; number <= MixRecord::fieldCount; ++number) {
            const MixRecord::Field field = MixRecord::field(number);
            for (const auto &[channel, volume] : mix) {
                if (field.channel == channel && field.control == MixRecord::Control::Switch)
                    record.setValue(number, 1);
                if (field.channel == channel && field.control == MixRecord::Control::Volume)
                    record.setValue(number, volume);
            }
        }
        return record;
    }

    static double levelOf(const std::vector<float> &stereo)
    {
        return ConsoleRig::levelDb(stereo, 0, stereo.size() / 2);
    }

private slots:
    // Measured on uncorrelated noises in half-second steps along a one-minute glide.
    void theMixKeepsItsLoudnessAlongAGlide_data()
    {
        QTest::addColumn<Mix>("from");
        QTest::addColumn<Mix>("to");
        QTest::addColumn<bool>("equallyLoud");
        QTest::newRow("one channel into another") << Mix{{1, -1000}} << Mix{{6, -1000}} << true;
        QTest::newRow("beside a shared channel") << Mix{{1, -1000}, {6, -1000}} << Mix{{1, -1000}, {7, -1000}} << true;
        QTest::newRow("beside a shared channel that moves")
            << Mix{{1, -500}, {6, -1500}} << Mix{{1, -1500}, {7, -500}} << true;
        QTest::newRow("quiet into loud") << Mix{{1, -2500}} << Mix{{6, -500}} << false;
        QTest::newRow("loud into quiet") << Mix{{6, -500}} << Mix{{1, -2500}} << false;
    }

    void theMixKeepsItsLoudnessAlongAGlide()
    {
        QFETCH(Mix, from);
        QFETCH(Mix, to);
        QFETCH(bool, equallyLoud);
        ConsoleRig rig(ConsoleRig::Sounds::Noises);
        QVERIFY(rig.ready());
        ConsoleMix::apply(recordOf(from), rig.controls(), rig.engine());
        rig.render(0.1);
        const double start = levelOf(rig.render(1.0));

        ManualClock clock;
        MixGlide glide(rig.controls(), rig.engine(), clock);
        glide.start(recordOf(to), 1);
        std::vector<double> along;
        std::vector<float> step;
        while (glide.isRunning()) {
            clock.advance(MixGlide::tickMs);
            glide.tick();
            const std::vector<float> block = rig.render(MixGlide::tickMs / 1000.0);
            step.insert(step.end(), block.begin(), block.end());
            if (step.size() >= ConsoleRig::outputRate) {
                along.push_back(levelOf(step));
                step.clear();
            }
        }
        rig.render(0.1);
        const double end = levelOf(rig.render(1.0));

        if (equallyLoud)
            QVERIFY2(std::abs(start - end) < 0.5, qPrintable(QStringLiteral("ends %1 and %2 dB").arg(start).arg(end)));
        QCOMPARE(along.size(), std::size_t{120});
        const double quieter = std::min(start, end);
        const double louder = std::max(start, end);
        for (std::size_t i = 0; i < along.size(); ++i)
            QVERIFY2(along[i] >= quieter - 3.0 && along[i] <= louder + 3.0,
                     qPrintable(QStringLiteral("%1 dB at %2 s, between ends of %3 and %4 dB")
                                    .arg(along[i]).arg(0.5 * static_cast<double>(i + 1)).arg(start).arg(end)));
    }

    void theControlsMoveEvenlyAndEndAsALoadWouldLeaveThem()
    {
        ConsoleRig rig;
        ConsoleRig loaded;
        QVERIFY(rig.ready() && loaded.ready());
        setEvening(rig.controls());
        setEvening(loaded.controls());
        const float before = ConsoleRig::largestStep(rig.render(0.5));
        ConsoleMix::apply(morning(), loaded.controls(), loaded.engine());
        const float after = ConsoleRig::largestStep(loaded.render(0.5));

        ManualClock clock;
        MixGlide glide(rig.controls(), rig.engine(), clock);
        QSignalSpy finished(&glide, &MixGlide::finished);
        glide.start(morning(), 1);
        QVERIFY(glide.isRunning());
        // Wind comes on at once, from silence, its sliders at the new mix.
        QCOMPARE(rig.controls().switchState(7), 1);
        QCOMPARE(rig.controls().slider(7, Slider::Pan), 0);
        QCOMPARE(rig.engine().buffer(7)->trim(), MixGlide::silence);

        float largest = 0.0f;
        for (int ms = MixGlide::tickMs; ms <= 60'000; ms += MixGlide::tickMs) {
            clock.advance(MixGlide::tickMs);
            glide.tick();
            largest = std::max(largest, ConsoleRig::largestStep(rig.render(MixGlide::tickMs / 1000.0)));
            if (ms == 30'000) {
                QCOMPARE(rig.controls().slider(6, Slider::Volume), -1250);
                QCOMPARE(rig.controls().slider(6, Slider::Pan), 500);
                // Rain was heard at its sound's own 44100 Hz, above its slider's reach.
                QCOMPARE(rig.engine().buffer(6)->frequency(), 33075);
                QCOMPARE(rig.controls().slider(6, Slider::Frequency), 32000);
                // Half way, wind fading in and brown noise fading out each have half their power.
                QCOMPARE(rig.engine().buffer(7)->trim(), -301);
                QCOMPARE(rig.engine().buffer(1)->trim(), -301);
                QCOMPARE(rig.controls().switchState(1), 1);
            }
        }
        QVERIFY2(largest <= before + after, qPrintable(QStringLiteral("%1 > %2 + %3").arg(largest).arg(before).arg(after)));
        QVERIFY(!glide.isRunning());
        QCOMPARE(finished.count(), 1);
        rig.render(0.1);
        glide.tick();

        QCOMPARE(ConsoleMix::capture(rig.controls()), ConsoleMix::capture(loaded.controls()));
        for (int channel = 1; channel <= 14; ++channel) {
            const ChannelBuffer *glided = rig.engine().buffer(channel);
            const ChannelBuffer *load = loaded.engine().buffer(channel);
            QCOMPARE(glided->isPlaying(), load->isPlaying());
            QCOMPARE(glided->volume(), load->volume());
            QCOMPARE(glided->pan(), load->pan());
            QCOMPARE(glided->frequency(), load->frequency());
            QCOMPARE(glided->trim(), 0);
            QCOMPARE(rig.controls().readout(channel), loaded.controls().readout(channel));
        }
    }

    // A slider moved during the glide stays where the user put it while the others glide
    // on; channels the user switches keep their switch, on or off, through the end.
    void whatTheUserChangesDuringAGlideIsKept()
    {
        ConsoleRig rig;
        QVERIFY(rig.ready());
        setEvening(rig.controls());
        ManualClock clock;
        MixGlide glide(rig.controls(), rig.engine(), clock);
        glide.start(morning(), 1);
        for (int ms = MixGlide::tickMs; glide.isRunning(); ms += MixGlide::tickMs) {
            clock.advance(MixGlide::tickMs);
            glide.tick();
            rig.render(MixGlide::tickMs / 1000.0);
            if (ms == 15'000) {
                QVERIFY(rig.controls().setSlider(6, Slider::Volume, -3000));
                QVERIFY(rig.controls().setSwitch(3, 1));
                QVERIFY(rig.controls().setSwitch(7, 0));
            }
            if (ms == 20'000) {
                // Wind, coming on from silence, is back at its own level when switched on again.
                QVERIFY(rig.controls().setSwitch(7, 1));
                QCOMPARE(rig.engine().buffer(7)->trim(), 0);
                QVERIFY(rig.controls().setSwitch(7, 0));
            }
            if (ms == 30'000) {
                QCOMPARE(rig.controls().slider(6, Slider::Volume), -3000);
                QCOMPARE(rig.controls().slider(6, Slider::Pan), 500);
            }
        }
        rig.render(0.1);
        glide.tick();
        QCOMPARE(rig.controls().slider(6, Slider::Volume), -3000);
        QCOMPARE(rig.controls().slider(6, Slider::Pan), 1000);
        QCOMPARE(rig.controls().switchState(3), 1);
        QCOMPARE(rig.controls().switchState(7), 0);
        for (const int channel : {3, 6, 7})
            QCOMPARE(rig.engine().buffer(channel)->trim(), 0);
    }

    // Loading the evening mix again a quarter into the glide: brown noise, fading out, is
    // on in that mix and stays on at its level; nothing of the glide is left.
    void aMixTheUserLoadsEndsTheGlide()
    {
        ConsoleRig rig;
        QVERIFY(rig.ready());
        setEvening(rig.controls());
        const MixRecord evening = ConsoleMix::capture(rig.controls());
        ManualClock clock;
        MixGlide glide(rig.controls(), rig.engine(), clock);
        glide.start(morning(), 1);
        for (int ms = MixGlide::tickMs; ms <= 70'000; ms += MixGlide::tickMs) {
            clock.advance(MixGlide::tickMs);
            glide.tick();
            rig.render(MixGlide::tickMs / 1000.0);
            if (ms == 15'000) {
                ConsoleMix::apply(evening, rig.controls(), rig.engine());
                glide.stop();
                QVERIFY(!glide.isRunning());
            }
        }
        QCOMPARE(ConsoleMix::capture(rig.controls()).toLine(), evening.toLine());
        for (const int channel : {1, 7})
            QCOMPARE(rig.engine().buffer(channel)->trim(), 0);
    }

    void noGlideLoadsAtOnce()
    {
        ConsoleRig rig;
        QVERIFY(rig.ready());
        setEvening(rig.controls());
        ManualClock clock;
        MixGlide glide(rig.controls(), rig.engine(), clock);
        glide.start(morning(), 0);
        QVERIFY(!glide.isRunning());
        QCOMPARE(ConsoleMix::capture(rig.controls()).toLine(), morning().toLine());
    }
};

QTEST_GUILESS_MAIN(MixGlideTest)
#include "MixGlideTest.moc"
