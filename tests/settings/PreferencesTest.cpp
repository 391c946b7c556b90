#include "EnforcedFilePermissions.h"

#include "settings/Preferences.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The night preferences in preferences.ini: kept in their own group, and defaults with a
// clear word when the file is missing, damaged or cannot be written.
class PreferencesTest : public QObject
{
    Q_OBJECT

    static void writeFile(const QString &path, const QByteArray &text)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private slots:
    void choicesComeBackAndOtherGroupsStay()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("config"));
        {
            Preferences fresh(folder);
            QVERIFY(fresh.problem().isEmpty());
            QCOMPARE(fresh.sleep(), Preferences::Sleep{});
            QCOMPARE(fresh.drift(), Preferences::Drift{});
            QVERIFY(fresh.schedule().isEmpty());
        }
        QSettings(folder + QStringLiteral("/preferences.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("Desktop/startOnLogin"), true);

        Preferences::Sleep sleep{45, true, QTime(6, 30), true, 20, true};
        Preferences::Drift drift{true, 450, 99};
        Preferences::ScheduleEntry birds{QTime(7, 0), QStringLiteral("/mixes/birds, rain.smf"), 15, true, true};
        Preferences::ScheduleEntry rain{QTime(22, 5), QStringLiteral("/mixes/rain.smf"), 0, false, false};
        {
            Preferences preferences(folder);
            QString reason;
            QVERIFY(preferences.setSleep(sleep, &reason));
            QVERIFY(preferences.setDrift(drift, &reason));
            QVERIFY(preferences.setSchedule({birds, rain}, &reason));
            QVERIFY(preferences.setSchedule({birds, rain}, &reason));
        }
        Preferences again(folder);
        QVERIFY(again.problem().isEmpty());
        QCOMPARE(again.sleep(), sleep);
        QCOMPARE(again.drift(), drift);
        QCOMPARE(again.schedule(), (QList{birds, rain}));
        QSettings file(again.path(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Desktop/startOnLogin")).toBool(), true);
        QCOMPARE(file.childGroups(), (QStringList{QStringLiteral("Desktop"), QStringLiteral("Night")}));
    }

    void badValuesGiveDefaultsAndSaySo()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("preferences.ini")),
                  "[Night]\nsleepMinutes=banana\nsleepFadeMinutes=20\ndriftDepth=9000\nsleepEnd=exit\n"
                  "schedule\\size=2\nschedule\\1\\time=25:99\nschedule\\1\\file=a.smf\n"
                  "schedule\\2\\time=07:00\nschedule\\2\\file=b.smf\nschedule\\2\\glideMinutes=-4\n");
        Preferences preferences(dir.path());
        QCOMPARE(preferences.sleep().minutes, Preferences::Sleep{}.minutes);
        QCOMPARE(preferences.sleep().fadeMinutes, 20);
        QVERIFY(preferences.sleep().exitAtEnd);
        QCOMPARE(preferences.drift().depth, Preferences::Drift{}.depth);
        QCOMPARE(preferences.schedule().size(), 1);
        QCOMPARE(preferences.schedule().at(0).glideMinutes, 0);
        for (const char *key : {"sleepMinutes", "driftDepth", "time", "glideMinutes"})
            QVERIFY2(preferences.problem().contains(QLatin1String(key)), qPrintable(preferences.problem()));

        writeFile(dir.filePath(QStringLiteral("preferences.ini")), QByteArray("\x00\xff\xfe[Night\n=\n\\\n", 14).repeated(50));
        Preferences garbage(dir.path());
        QCOMPARE(garbage.sleep(), Preferences::Sleep{});
        QCOMPARE(garbage.drift(), Preferences::Drift{});
    }

    void aFileThatCannotBeReadOrWrittenChangesNothingButSaysWhy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("preferences.ini"));
        writeFile(path, "[Night]\nsleepMinutes=60\n");
        EnforcedFilePermissions enforced;
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        Preferences unreadable(dir.path());
        QVERIFY(unreadable.problem().contains(QStringLiteral("cannot be read")));
        QCOMPARE(unreadable.sleep().minutes, 30);
        QString reason;
        QVERIFY(!unreadable.setSleep(Preferences::Sleep{}, &reason));
        QVERIFY(reason.contains(QStringLiteral("cannot be read")));

        QFile::setPermissions(path, QFileDevice::ReadOwner);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        Preferences readOnly(dir.path());
        QCOMPARE(readOnly.sleep().minutes, 60);
        Preferences::Sleep sleep;
        sleep.minutes = 90;
        QVERIFY(!readOnly.setSleep(sleep, &reason));
        QVERIFY(reason.contains(QStringLiteral("cannot be written")));
        // The choice holds for this run.
        QCOMPARE(readOnly.sleep().minutes, 90);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Night]\nsleepMinutes=60\n"));

        Preferences notAFolder(path + QStringLiteral("/inside"));
        QVERIFY(!notAFolder.setSleep(sleep, &reason));
        QVERIFY(!reason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "PreferencesTest.moc"
