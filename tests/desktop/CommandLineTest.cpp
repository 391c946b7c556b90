#include "FakePauseControl.h"

#include "desktop/CommandLine.h"
#include "desktop/DesktopCommands.h"
#include "settings/Duration.h"

#include <QTest>

using namespace std::chrono_literals;
using Playback = CommandLine::Playback;

Q_DECLARE_METATYPE(Playback)

class CommandLineTest : public QObject
{
    Q_OBJECT

    static CommandLine::Outcome parse(const QString &line)
    {
        QStringList arguments{QStringLiteral("sonivale")};
        if (!line.isEmpty())
            arguments += line.split(QLatin1Char(' '));
        return CommandLine::parse(arguments, QStringLiteral("/home/ann"));
    }

private slots:
    void requestsAreParsed_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("mixFile");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<Playback>("playback");
        QTest::addColumn<int>("sleepMinutes");

        QTest::newRow("nothing") << "" << "" << false << Playback::Unchanged << -1;
        QTest::newRow("a relative mix") << "mixes/rain.smf" << "/home/ann/mixes/rain.smf" << false << Playback::Unchanged << -1;
        QTest::newRow("--load, absolute") << "--load /tmp/a.smf" << "/tmp/a.smf" << false << Playback::Unchanged << -1;
        QTest::newRow("tray and play") << "--tray --play" << "" << true << Playback::Play << -1;
        QTest::newRow("pause") << "--pause" << "" << false << Playback::Pause << -1;
        QTest::newRow("the last mix, paused") << "--resume --pause" << "" << false << Playback::Pause << -1;
        QTest::newRow("toggle and sleep") << "--toggle --sleep 1h30m" << "" << false << Playback::Toggle << 90;
        QTest::newRow("sleep, a number alone") << "--sleep 90" << "" << false << Playback::Unchanged << 90;
        QTest::newRow("sleep, seconds that make minutes") << "--sleep 120s" << "" << false << Playback::Unchanged << 2;
        QTest::newRow("render options pass") << "--render x.wav" << "" << false << Playback::Unchanged << -1;
    }

    void requestsAreParsed()
    {
        QFETCH(QString, line);
        const CommandLine::Outcome outcome = parse(line);
        QVERIFY2(!outcome.exitNow, qPrintable(outcome.output));
        QTEST(outcome.request.mixFile, "mixFile");
        QTEST(outcome.request.tray, "tray");
        QTEST(outcome.request.playback, "playback");
        QTEST(outcome.request.sleep ? int(outcome.request.sleep->count()) : -1, "sleepMinutes");

        // What a later start hands over reads back as the same request.
        const CommandLine::Outcome again =
            CommandLine::parse(QStringList{QStringLiteral("sonivale")} + outcome.request.toArguments(), QStringLiteral("/"));
        QCOMPARE(again.request.toArguments(), outcome.request.toArguments());
        QCOMPARE(again.request.mixFile, outcome.request.mixFile);
    }

    void badArgumentsEndWithStatusTwoAndAClearMessage_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown option") << "--loud" << "Unknown option 'loud'";
        QTest::newRow("two actions") << "--play --pause" << "only one of --play, --pause and --toggle";
        QTest::newRow("two mixes") << "a.smf b.smf" << "one mix file at most";
        QTest::newRow("a mix and the last") << "a.smf --resume" << "either a mix file or --resume";
        QTest::newRow("missing value") << "--sleep" << "Missing value after '--sleep'";
        QTest::newRow("bad duration") << "--sleep soon" << "--sleep \"soon\" is not a duration";
        QTest::newRow("zero duration") << "--sleep 0m" << "not a whole number of minutes from 1 minute";
        QTest::newRow("part of a minute") << "--sleep 90s" << "not a whole number of minutes";
        QTest::newRow("too long") << "--sleep 13h" << "longer than 12 hours";
    }

    void badArgumentsEndWithStatusTwoAndAClearMessage()
    {
        QFETCH(QString, line);
        QFETCH(QString, says);
        const CommandLine::Outcome outcome = parse(line);
        QVERIFY(outcome.exitNow);
        QCOMPARE(outcome.exitStatus, 2);
        QVERIFY2(outcome.output.contains(says), qPrintable(outcome.output));
        QVERIFY(outcome.output.contains(QStringLiteral("--help")));
    }

    void helpAndVersionEndAtOnce()
    {
        const CommandLine::Outcome help = parse(QStringLiteral("--help"));
        QVERIFY(help.exitNow);
        QCOMPARE(help.exitStatus, 0);
        QVERIFY2(help.output.startsWith(QStringLiteral("Usage: sonivale [options]")), qPrintable(help.output));
        for (const char *option : {"--tray", "--play", "--pause", "--toggle", "--load", "--resume", "--sleep", "--headless",
                                   "--version", "--render"})
            QVERIFY2(help.output.contains(QLatin1String(option)), option);
        // Said in the same words as in --render's help.
        QVERIFY2(help.output.contains(Duration::rule()), qPrintable(help.output));
        const CommandLine::Outcome version = parse(QStringLiteral("--version"));
        QCOMPARE(version.exitStatus, 0);
        QCOMPARE(version.output, QStringLiteral("Sonivale %1\n").arg(QStringLiteral(SONIVALE_VERSION)));
    }

    // Where the last mix is to be played at a start, a start that names no mix resumes it.
    void aStartPlaysTheLastMixWhenAsked_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("playLastMix");
        QTest::addColumn<bool>("resumes");
        QTest::newRow("plain start, off") << QString() << false << false;
        QTest::newRow("plain start, on") << QString() << true << true;
        QTest::newRow("in the tray, on") << QStringLiteral("--tray") << true << true;
        QTest::newRow("a mix of its own, on") << QStringLiteral("/m/a.smf") << true << false;
        QTest::newRow("--resume, off") << QStringLiteral("--resume") << false << true;
    }

    void aStartPlaysTheLastMixWhenAsked()
    {
        QFETCH(QString, arguments);
        QFETCH(bool, playLastMix);
        QFETCH(bool, resumes);
        QCOMPARE(parse(arguments).request.atStart(playLastMix).resume, resumes);
    }

    // A later start's arguments act on the running program; a plain start or a mix brings
    // the console forward, a bare --pause does not.
    void handedOverRequestsAct()
    {
        FakePauseControl pause;
        QStringList loaded;
        int raised = 0;
        int resumed = 0;
        DesktopCommands commands(pause, {[&](const QString &path) { loaded << path; }, [&] { ++raised; }, [&] { ++resumed; }});
        std::vector<std::chrono::minutes> sleeps;

        commands.applyHandedOver({QStringLiteral("--pause")});
        QVERIFY(pause.isPaused());
        QCOMPARE(raised, 0);
        commands.applyHandedOver({});
        QCOMPARE(raised, 1);
        commands.applyHandedOver({QStringLiteral("--toggle"), QStringLiteral("--load"), QStringLiteral("/m/a.smf")});
        QCOMPARE(loaded, QStringList{QStringLiteral("/m/a.smf")});
        QVERIFY(!pause.isPaused());
        QCOMPARE(raised, 2);
        commands.applyHandedOver({QStringLiteral("--resume"), QStringLiteral("--play")});
        QCOMPARE(resumed, 1);
        QVERIFY(!pause.isPaused());
        QCOMPARE(raised, 2);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("sleep timer is not available")));
        commands.applyHandedOver({QStringLiteral("--sleep"), QStringLiteral("45m")});
        commands.setSleepTimer([&](std::chrono::minutes m) { sleeps.push_back(m); });
        commands.applyAtStart(parse(QStringLiteral("--sleep 1h")).request);
        QCOMPARE(sleeps, std::vector<std::chrono::minutes>{60min});

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Ignored a request")));
        commands.applyHandedOver({QStringLiteral("--bogus")});
        QCOMPARE(raised, 2);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
