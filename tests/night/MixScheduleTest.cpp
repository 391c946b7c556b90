#include "ConsoleRig.h"
#include "ManualClock.h"
#include "ScriptedUserMessages.h"

#include "night/MixGlide.h"
#include "night/MixSchedule.h"
#include "night/ScheduledMixes.h"
#include "settings/ConsoleMix.h"
#include "settings/MixFile.h"

#include <QSignalSpy>
#include <QTest>

// Which scheduled mix falls due on a wall clock that also jumps, and what firing one does.
class MixScheduleTest : public QObject
{
    Q_OBJECT

    static MixSchedule::Entry entry(QTime time, bool daily, const QString &file = QStringLiteral("a.smf"))
    {
        MixSchedule::Entry entry;
        entry.time = time;
        entry.file = file;
        entry.daily = daily;
        return entry;
    }

    static QDateTime at(int day, int hour, int minute, int second = 0)
    {
        return QDateTime(QDate(2024, 3, day), QTime(hour, minute, second));
    }

private slots:
    void anEntryFiresOnceInTimeAndNeverLate_data()
    {
        QTest::addColumn<QList<MixSchedule::Entry>>("entries");
        QTest::addColumn<QDateTime>("before");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("fired");
        QTest::addColumn<QList<bool>>("enabledAfter");

        const auto seven = entry(QTime(7, 0), true);
        const auto sevenOnce = entry(QTime(7, 0), false);
        const auto tenPast = entry(QTime(7, 10), true);
        QTest::newRow("due between two checks") << QList{seven} << at(1, 6, 59, 58) << at(1, 7, 0, 3) << 0 << QList{true};
        QTest::newRow("not yet") << QList{seven} << at(1, 6, 59) << at(1, 6, 59, 59) << -1 << QList{true};
        QTest::newRow("past midnight") << QList{entry(QTime(0, 0), true)} << at(1, 23, 59, 58) << at(2, 0, 0, 2) << 0
                                       << QList{true};
        QTest::newRow("once is switched off after firing") << QList{sevenOnce} << at(1, 6, 59, 58) << at(1, 7, 0, 1) << 0
                                                           << QList{false};
        QTest::newRow("a check just late still fires") << QList{seven} << at(1, 6, 59) << at(1, 7, 1, 30) << 0 << QList{true};
        QTest::newRow("slept through it: missed") << QList{seven} << at(1, 6, 0) << at(1, 8, 0) << -1 << QList{true};
        QTest::newRow("slept through a one-time entry: gone") << QList{sevenOnce} << at(1, 6, 0) << at(1, 8, 0) << -1
                                                              << QList{false};
        QTest::newRow("two passed: only the latest in time fires") << QList{tenPast, seven} << at(1, 6, 0) << at(1, 7, 10, 5)
                                                                   << 0 << QList{true, true};
        QTest::newRow("clock set back") << QList{seven} << at(1, 7, 5) << at(1, 6, 0) << -1 << QList{true};
        auto off = seven;
        off.enabled = false;
        QTest::newRow("switched off") << QList{off} << at(1, 6, 59, 58) << at(1, 7, 0, 3) << -1 << QList{false};
    }

    void anEntryFiresOnceInTimeAndNeverLate()
    {
        QFETCH(QList<MixSchedule::Entry>, entries);
        QFETCH(QDateTime, before);
        QFETCH(QDateTime, now);
        QFETCH(int, fired);
        QFETCH(QList<bool>, enabledAfter);
        QList<bool> enabledBefore;
        for (const auto &e : entries)
            enabledBefore << e.enabled;
        MixSchedule schedule(entries);
        QCOMPARE(schedule.check(before), -1);
        bool changed = false;
        QCOMPARE(schedule.check(now, &changed), fired);
        QList<bool> enabled;
        for (const auto &e : schedule.entries())
            enabled << e.enabled;
        QCOMPARE(enabled, enabledAfter);
        QCOMPARE(changed, enabled != enabledBefore);
        // Checking again at the same time fires nothing more.
        QCOMPARE(schedule.check(now), -1);
    }

    void aDueEntryGlidesToItsFileOrSaysWhyNot()
    {
        ConsoleRig rig;
        QVERIFY(rig.ready());
        QVERIFY(rig.controls().setSwitch(3, 1));
        MixRecord morning;
        morning.setValue(16, 1);
        const QString good = rig.folder() + QStringLiteral("/morning.smf");
        QString reason;
        QVERIFY(MixFile::write(good, morning, &reason));
        const QString missing = rig.folder() + QStringLiteral("/gone.smf");

        ManualClock clock(at(1, 6, 59, 58));
        ScriptedUserMessages messages;
        MixGlide glide(rig.controls(), rig.engine(), clock);
        ScheduledMixes scheduled(clock, glide, messages, nullptr);
        scheduled.setEntries({entry(QTime(7, 0), true, missing), entry(QTime(7, 30), false, good)});
        QSignalSpy entriesChanged(&scheduled, &ScheduledMixes::entriesChanged);

        clock.set(at(1, 7, 0, 3));
        scheduled.tick();
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("The mix scheduled for 07:00 did not start: the mix file "
                                                              "\"%1\" was not loaded, because it does not exist. "
                                                              "Nothing was changed.")
                                                   .arg(missing)});
        QCOMPARE(rig.controls().switchState(3), 1);

        clock.set(at(1, 7, 30, 2));
        scheduled.tick();
        QCOMPARE(entriesChanged.count(), 1);
        QVERIFY(!scheduled.entries().at(1).enabled);
        QCOMPARE(ConsoleMix::capture(rig.controls()), morning);
        QCOMPARE(messages.texts().size(), 1);
    }
};

QTEST_GUILESS_MAIN(MixScheduleTest)
#include "MixScheduleTest.moc"
