#include "ConsoleRig.h"
#include "ManualClock.h"
#include "TestSounds.h"

#include "engine/OutputGain.h"
#include "engine/OutputPause.h"
#include "night/SleepTimer.h"

#include <QSignalSpy>
#include <QTest>

// The sleep timer on rendered audio with a clock the test moves, also by jumps as after a
// suspended night.
class SleepTimerTest : public QObject
{
    Q_OBJECT

    static constexpr std::size_t rate = ConsoleRig::outputRate;
    static constexpr std::size_t cycles = 1088;

    static Preferences::Sleep plan(int minutes, bool whole, int fadeMinutes, bool exitAtEnd = false)
    {
        Preferences::Sleep plan;
        plan.minutes = minutes;
        plan.wholeDuration = whole;
        plan.fadeMinutes = fadeMinutes;
        plan.exitAtEnd = exitAtEnd;
        return plan;
    }

private slots:
    void theEndIsALengthLaterOrTheNextClockTime()
    {
        const QDateTime evening(QDate(2024, 3, 1), QTime(23, 0));
        Preferences::Sleep atSeven;
        atSeven.atClockTime = true;
        atSeven.clockTime = QTime(7, 0);
        QCOMPARE(SleepTimer::endOf(atSeven, evening), QDateTime(QDate(2024, 3, 2), QTime(7, 0)));
        QCOMPARE(SleepTimer::endOf(atSeven, QDateTime(QDate(2024, 3, 2), QTime(6, 0))),
                 QDateTime(QDate(2024, 3, 2), QTime(7, 0)));
        QCOMPARE(SleepTimer::endOf(plan(90, false, 10), evening), evening.addSecs(90 * 60));
        QCOMPARE(SleepTimer::endOf(plan(5000, false, 10), evening), evening.addSecs(12 * 3600));
    }

    void theFadeFollowsTheChosenCurveAndEndsInAPause_data()
    {
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("fadeMinutes");
        QTest::newRow("last five of ten minutes") << false << 5;
        QTest::newRow("over the whole ten minutes") << true << 5;
    }

    void theFadeFollowsTheChosenCurveAndEndsInAPause()
    {
        QFETCH(bool, whole);
        QFETCH(int, fadeMinutes);
        ConsoleRig rig;
        QVERIFY(rig.ready());
        QVERIFY(rig.controls().setSwitch(8, 1));
        const double level = ConsoleRig::levelDb(rig.render(0.5), rate / 4, cycles * 10);
        ManualClock clock;
        OutputPause pause(rig.mixer().outputGain());
        SleepTimer timer(clock, rig.mixer().outputGain(), pause);
        const QDateTime start = clock.now();
        timer.start(plan(10, whole, fadeMinutes));
        QCOMPARE(timer.remainingSeconds(), 600);

        for (int seconds = 30; seconds < 600; seconds += 30) {
            clock.advance(30'000);
            timer.tick();
            const std::vector<float> heard = rig.render(1.1);
            const float expected = SleepTimer::levelAt(start, timer.endTime(), whole, fadeMinutes, clock.now());
            const double measured = ConsoleRig::levelDb(heard, rate, cycles) - level;
            QVERIFY2(qAbs(measured - TestSounds::toDecibels(OutputGain::levelGain(expected))) < 0.3,
                     qPrintable(QStringLiteral("%1 s: %2 dB").arg(seconds).arg(measured)));
            QVERIFY(whole || seconds > 300 || measured > -0.01);
        }
        QVERIFY(!pause.isPaused());
        clock.advance(30'000);
        timer.tick();
        QVERIFY(!timer.isRunning());
        QVERIFY(pause.isPaused());
        QVERIFY(ConsoleRig::levelDb(rig.render(1.1), rate, cycles) < -120.0);
        // "Play" brings the full sound back, the mix untouched.
        pause.play();
        const double back = ConsoleRig::levelDb(rig.render(1.2), rate + rate / 10, cycles);
        QVERIFY2(qAbs(back - level) < 0.05, qPrintable(QStringLiteral("%1 dB, not %2").arg(back).arg(level)));
        QCOMPARE(rig.controls().switchState(8), 1);
    }

    void aClockThatJumpsPastTheEndEndsTheTimerAtOnce()
    {
        ConsoleRig rig;
        QVERIFY(rig.ready());
        ManualClock clock(QDateTime(QDate(2024, 3, 1), QTime(23, 0)));
        OutputPause pause(rig.mixer().outputGain());
        SleepTimer timer(clock, rig.mixer().outputGain(), pause);
        QSignalSpy exits(&timer, &SleepTimer::exitRequested);
        Preferences::Sleep untilSeven = plan(0, false, 10, true);
        untilSeven.atClockTime = true;
        untilSeven.clockTime = QTime(7, 0);
        timer.start(untilSeven);
        clock.set(QDateTime(QDate(2024, 3, 2), QTime(6, 55)));
        timer.tick();
        QVERIFY(timer.isRunning());
        QCOMPARE(timer.remainingSeconds(), 300);
        // The machine slept through the end.
        clock.set(QDateTime(QDate(2024, 3, 2), QTime(8, 0)));
        timer.tick();
        QVERIFY(!timer.isRunning());
        QCOMPARE(exits.count(), 1);
        QVERIFY(!pause.isPaused());

        // Cancelling brings the level back; starting again restarts the count.
        timer.start(plan(60, true, 10));
        clock.advance(30 * 60'000);
        timer.tick();
        QVERIFY(rig.mixer().outputGain().level() < -29.0f);
        timer.start(plan(15, false, 10));
        QCOMPARE(timer.remainingSeconds(), 15 * 60);
        QCOMPARE(rig.mixer().outputGain().level(), 0.0f);
        timer.cancel();
        QVERIFY(!timer.isRunning());
        QCOMPARE(rig.mixer().outputGain().level(), 0.0f);
    }
};

QTEST_GUILESS_MAIN(SleepTimerTest)
#include "SleepTimerTest.moc"
