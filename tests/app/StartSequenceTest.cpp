#include "FakeSystemVolume.h"
#include "ManualClock.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"
#include "TestSounds.h"

#include "app/MainWindow.h"
#include "app/StartSequence.h"
#include "app/StartupMessages.h"
#include "desktop/DesktopCommands.h"
#include "engine/ChannelBuffer.h"
#include "engine/ChannelTable.h"
#include "engine/SoundEngine.h"
#include "night/NightFeatures.h"
#include "platform/OfflineAudioOutput.h"
#include "player/Player.h"
#include "settings/MixCommands.h"
#include "settings/MixRecord.h"
#include "settings/Preferences.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Rain and wind on.
QByteArray rainAndWind()
{
    MixRecord mix;
    for (int field = 1; field <= MixRecord::fieldCount; ++field) {
        const MixRecord::Field what = MixRecord::field(field);
        if (what.control == MixRecord::Control::Switch && (what.channel == 6 || what.channel == 7))
            mix.setValue(field, 1);
    }
    return mix.toLine();
}

// What the start had done when a message came up.
struct Seen
{
    ScriptedUserMessages::Message message;
    QList<int> playing;
    double levelDb;
    std::optional<std::chrono::minutes> sleep;
};

}

// A start carries out what it was asked before any of its warnings is shown, and shows
// each of them without waiting for an answer.
class StartSequenceTest : public QObject
{
    Q_OBJECT

private slots:
    void warningsComeAfterTheMixPlaysAndWaitForNobody_data()
    {
        QTest::addColumn<bool>("mixerOpens");
        QTest::addColumn<int>("missingSound");
        QTest::addColumn<QByteArray>("preferences");
        QTest::addColumn<QByteArray>("mixFile");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<QList<int>>("playing");

        const QByteArray damaged = "[Night]\nsleepMinutes=banana\n";
        QTest::newRow("damaged preferences")
            << true << 0 << damaged << rainAndWind() << QStringList{"could not be used"} << QList<int>{6, 7};
        QTest::newRow("no mixer, a missing sound and damaged preferences")
            << false << 1 << damaged << rainAndWind()
            << QStringList{"Couldn't open the mixer.", "missing or cannot be read", "could not be used"}
            << QList<int>{6, 7};
        QTest::newRow("a mix that cannot be loaded")
            << true << 0 << QByteArray() << QByteArray("not a mix\r\n") << QStringList{"was not loaded"}
            << QList<int>{};
    }

    void warningsComeAfterTheMixPlaysAndWaitForNobody()
    {
        QFETCH(bool, mixerOpens);
        QFETCH(int, missingSound);
        QFETCH(QByteArray, preferences);
        QFETCH(QByteArray, mixFile);
        QFETCH(QStringList, warnings);
        QFETCH(QList<int>, playing);

        QTemporaryDir program;
        QTemporaryDir config;
        QVERIFY(TestSounds::writeChannelSounds(program.path(), [](int) { return 44100; }));
        if (missingSound)
            QFile::remove(ChannelTable::soundFilePath(program.path(), ChannelTable::channel(missingSound).soundFile));
        if (!preferences.isEmpty())
            QVERIFY(writeFile(config.filePath(QString::fromLatin1(Preferences::fileName)), preferences));
        const QString mixPath = config.filePath(QStringLiteral("night.smf"));
        QVERIFY(writeFile(mixPath, mixFile));

        OfflineAudioOutput output;
        FakeSystemVolume volume(mixerOpens);
        ScriptedUserMessages shown;
        StartupMessages messages(shown);
        ScriptedFileDialogs dialogs;
        Player player({&output, &dialogs, &messages, program.path(), config.path()});
        MainWindow console(player, {&volume, &messages});
        Preferences nightPreferences(config.path());
        ManualClock clock;
        NightFeatures night(
            {&player.channels(), &player.engine(), &player.pauseControl(), &clock, &messages, &nightPreferences, &console});
        DesktopCommands commands(player.pauseControl(),
                                 {[&player, &console](const QString &path) { player.mixCommands().loadFile(&console, path); },
                                  [] {}});
        std::optional<std::chrono::minutes> sleep;
        commands.setSleepTimer([&sleep](std::chrono::minutes length) { sleep = length; });

        QList<Seen> seen;
        shown.setObserver([&](const ScriptedUserMessages::Message &message) {
            QList<int> on;
            for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
                if (player.engine().buffer(channel) && player.engine().buffer(channel)->isPlaying())
                    on << channel;
            }
            const std::vector<float> heard = output.renderFrames(4800);
            seen.append({message, on, TestSounds::toDecibels(std::max(1e-9, TestSounds::rms(heard, 0, 0, 4800))),
                         sleep});
        });

        CommandLine::Request request;
        request.mixFile = mixPath;
        request.sleep = std::chrono::minutes(45);
        StartSequence({&console, &night, &commands, &messages}).run(request);

        QCOMPARE(seen.size(), warnings.size());
        for (qsizetype i = 0; i < seen.size(); ++i) {
            const Seen &at = seen.at(i);
            QVERIFY2(at.message.text.contains(warnings.at(i)), qPrintable(at.message.text));
            QVERIFY(!at.message.waited);
            QCOMPARE(at.message.parent.data(), &console);
            // The whole request was carried out before the first warning came up.
            QCOMPARE(at.playing, playing);
            QCOMPARE(at.sleep, std::chrono::minutes(45));
            QVERIFY2(playing.isEmpty() ? at.levelDb < -90 : at.levelDb > -40, qPrintable(QString::number(at.levelDb)));
        }

        // Once started, the console's messages wait for their answer as before.
        shown.setObserver({});
        player.mixCommands().loadFile(&console, config.filePath(QStringLiteral("missing.smf")));
        QCOMPARE(shown.messages().size(), warnings.size() + 1);
        QVERIFY(shown.messages().constLast().waited);
    }
};

QTEST_MAIN(StartSequenceTest)
#include "StartSequenceTest.moc"
