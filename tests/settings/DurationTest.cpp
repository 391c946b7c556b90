#include "settings/Duration.h"

#include <QTest>

#include <cmath>

// The one way a duration is read, wherever it is typed: --sleep, --render's length and
// fades. What each option then demands of it (whole minutes, more than zero) is tested
// with the option.
class DurationTest : public QObject
{
    Q_OBJECT

private slots:
    void textsReadAsTheSameTimeEverywhere_data()
    {
        QTest::addColumn<QString>("text");
        // -1 where the text is refused; `says` is then part of the reason.
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("says");

        QTest::newRow("a number alone is minutes") << "90" << 5400.0 << "";
        QTest::newRow("a fraction of a minute") << "0.05" << 3.0 << "";
        QTest::newRow("hours") << "8h" << 28800.0 << "";
        QTest::newRow("minutes, both spellings") << "45m" << 2700.0 << "";
        QTest::newRow("minutes spelt out") << "45 minutes" << 2700.0 << "";
        QTest::newRow("seconds") << "90s" << 90.0 << "";
        QTest::newRow("hours and minutes") << "1h30m" << 5400.0 << "";
        QTest::newRow("hours, then minutes without a unit") << "1h30" << 5400.0 << "";
        QTest::newRow("all three, spaced, capitals") << " 1 H 2 MIN 3 S " << 3723.0 << "";
        QTest::newRow("a fraction of an hour") << "1.5h" << 5400.0 << "";
        QTest::newRow("zero, for an option that allows it") << "0s" << 0.0 << "";
        QTest::newRow("twelve hours") << "12h" << 43200.0 << "";
        QTest::newRow("twelve hours and a second") << "12h1s" << -1.0 << "longer than 12 hours";
        QTest::newRow("an absurd number") << "99999999999999999999" << -1.0 << "longer than 12 hours";
        QTest::newRow("units out of order") << "30m1h" << -1.0 << "is not a duration";
        QTest::newRow("minutes then a number alone") << "1m30" << -1.0 << "is not a duration";
        QTest::newRow("negative") << "-5m" << -1.0 << "is not a duration";
        QTest::newRow("a word") << "soon" << -1.0 << "\"soon\" is not a duration such as 8h";
        QTest::newRow("a unit alone") << "h" << -1.0 << "is not a duration";
        QTest::newRow("empty") << "" << -1.0 << "a number alone is minutes";
    }

    void textsReadAsTheSameTimeEverywhere()
    {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QFETCH(QString, says);
        QString problem;
        const std::optional<double> read = Duration::parseSeconds(text, &problem);
        QCOMPARE(read.value_or(-1.0), seconds);
        QVERIFY2(read ? problem.isEmpty() : problem.contains(says), qPrintable(problem));
    }

    // What the program shows (a render's length, the time left) reads back as that time.
    void descriptionsReadBack_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hours") << 28800.0 << "8 h";
        QTest::newRow("hours and minutes") << 5400.0 << "1 h 30 min";
        QTest::newRow("minutes and seconds") << 125.0 << "2 min 5 s";
        QTest::newRow("all three") << 3723.0 << "1 h 2 min 3 s";
        QTest::newRow("rounded to a second") << 39.6 << "40 s";
        QTest::newRow("nothing") << 0.0 << "0 s";
    }

    void descriptionsReadBack()
    {
        QFETCH(double, seconds);
        QFETCH(QString, shown);
        QCOMPARE(Duration::describe(seconds), shown);
        QCOMPARE(Duration::parseSeconds(shown).value_or(-1.0), std::round(seconds));
    }
};

QTEST_APPLESS_MAIN(DurationTest)
#include "DurationTest.moc"
