#include "FakePauseControl.h"

#include "desktop/CommandLine.h"
#include "desktop/DesktopCommands.h"
#include "settings/Duration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
        QTest::newRow("sound, no channel") << "--channel-sound brook" << "\"brook\" is not CHANNEL=SOUND with a channel from 1 to 14";
        QTest::newRow("sound, channel 0") << "--channel-sound 0=brook" << "\"0=brook\" is not CHANNEL=SOUND";
        QTest::newRow("sound, channel 15") << "--channel-sound 15=brook" << "\"15=brook\" is not CHANNEL=SOUND";
        QTest::newRow("sound, none named") << "--channel-sound 6=" << "\"6=\": no sound is named";
        QTest::newRow("sound, no such file") << "--channel-sound 6=thunder.flac"
                                             << "there is no sound file \"/home/ann/thunder.flac\", nor a built-in sound";
        QTest::newRow("sound, none at home") << "--channel-sound 6=~/no/thunder.flac"
                                             << QStringLiteral("there is no sound file \"%1/no/thunder.flac\"").arg(QDir::homePath());
    }

    // Each --channel-sound reads as a channel and a sound, and reads back the same when a
    // later start hands it over.
    void channelSoundsAreParsed_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("sounds");
        QTest::newRow("new sound") << "--channel-sound 6=brook" << QStringList{"6=brook"};
        QTest::newRow("by its name") << "--channel-sound 6=Purr" << QStringList{"6=purr"};
        QTest::newRow("another channel's") << "--channel-sound 6=pink-noise" << QStringList{"6=pink-noise"};
        QTest::newRow("its own, by name") << "--channel-sound 6=rain" << QStringList{"6=default"};
        QTest::newRow("its own") << "--channel-sound 14=default" << QStringList{"14=default"};
        QTest::newRow("a file, relative") << "--channel-sound 3=sea.flac" << QStringList{"3=@/sea.flac"};
        QTest::newRow("several") << "--channel-sound 1=train --channel-sound 2=@/sea.flac"
                                 << QStringList{"1=train", "2=@/sea.flac"};
    }

    void channelSoundsAreParsed()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, sounds);
        QTemporaryDir folder;
        QFile sea(folder.filePath(QStringLiteral("sea.flac")));
        QVERIFY(sea.open(QIODevice::WriteOnly));
        sea.close();
        line.replace(QLatin1Char('@'), folder.path());
        sounds.replaceInStrings(QStringLiteral("@"), folder.path());

        const CommandLine::Outcome outcome =
            CommandLine::parse(QStringList{QStringLiteral("sonivale")} + line.split(QLatin1Char(' ')), folder.path());
        QVERIFY2(!outcome.exitNow, qPrintable(outcome.output));
        QStringList parsed;
        for (const SoundChoices::Assignment &assignment : outcome.request.channelSounds)
            parsed << SoundChoices::toText(assignment);
        QCOMPARE(parsed, sounds);
        QVERIFY(!outcome.request.isPlainStart());
        const CommandLine::Outcome again =
            CommandLine::parse(QStringList{QStringLiteral("sonivale")} + outcome.request.toArguments(), QStringLiteral("/"));
        QCOMPARE(again.request.toArguments(), outcome.request.toArguments());
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
                                   "--version", "--render", "--channel-sound"})
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
        QStringList chosen;
        DesktopCommands commands(pause, {[&](const QString &path) { loaded << path; }, [&] { ++raised; }, [&] { ++resumed; },
                                         [&](const SoundChoices::Assignment &sound) { chosen << SoundChoices::toText(sound); }});
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
        commands.applyHandedOver({QStringLiteral("--channel-sound"), QStringLiteral("6=brook"),
                                  QStringLiteral("--channel-sound"), QStringLiteral("7=default")});
        QCOMPARE(chosen, (QStringList{"6=brook", "7=default"}));
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
