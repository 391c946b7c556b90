#include "ScriptedUserMessages.h"
#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "sounds/BuiltInSounds.h"
#include "sounds/SoundChooser.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The choice of a channel's sound: how it is kept in the preferences, and how the chooser
// puts it in force on the engine and keeps it there.
class SoundChooserTest : public QObject
{
    Q_OBJECT

    using Slider = ChannelControls::Slider;

    // The console's sound without a window, with a chooser made before the first loading,
    // as the player makes it.
    struct Rig
    {
        explicit Rig(const QString &configFolder)
            : preferences(configFolder + QStringLiteral("/preferences.ini"))
        {
            ready = TestSounds::writeChannelSounds(sounds.path(), [](int) { return 44100; });
        }
        bool load() { return engine.loadChannelSounds(sounds.path()).isEmpty(); }
        const ChannelSound *soundOf(int channel) const { return &engine.buffer(channel)->sound(); }

        QString preferences;
        QTemporaryDir sounds;
        bool ready = false;
        OfflineAudioOutput output{48000};
        SoundEngine engine{output};
        ChannelControls controls{engine};
        ScriptedUserMessages messages;
        SoundChooser chooser{engine, messages, preferences};
    };

    QTemporaryDir m_config;

    QString keptValue(const QString &path, int channel)
    {
        QSettings settings(path, QSettings::IniFormat);
        return settings.value(QStringLiteral("Sounds/Channel%1").arg(channel)).toString();
    }

private slots:
    void cleanup()
    {
        QFile::remove(m_config.filePath(QStringLiteral("preferences.ini")));
    }

    // What is written is read back; what no hand of ours writes leaves the channel's own.
    void thePreferencesKeepTheChoices_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        QTest::addColumn<bool>("problem");
        QTest::newRow("new sound") << 6 << "brook" << "brook" << false;
        QTest::newRow("another channel's") << 1 << "radio-static" << "radio-static" << false;
        QTest::newRow("its own, by name") << 6 << "rain" << "default" << false;
        QTest::newRow("a file with blanks") << 14 << "/home/ann/Sounds/Mère Brook.flac" << "/home/ann/Sounds/Mère Brook.flac" << false;
        QTest::newRow("a relative path") << 6 << "sea.flac" << "default" << true;
        QTest::newRow("a name of nothing") << 6 << "thunder" << "default" << true;
    }

    void thePreferencesKeepTheChoices()
    {
        QFETCH(int, channel);
        QFETCH(QString, written);
        const QString path = m_config.filePath(QStringLiteral("preferences.ini"));
        {
            QSettings other(path, QSettings::IniFormat);
            other.setValue(QStringLiteral("Desktop/StartInTray"), true);
            other.setValue(QStringLiteral("Sounds/Channel%1").arg(channel), written);
        }
        QStringList problems;
        const SoundChoices choices = SoundChoices::read(path, &problems);
        QTEST(choices.choice(channel).toText(), "read");
        QTEST(!problems.isEmpty(), "problem");
        QCOMPARE(choices.choice(channel == 1 ? 2 : 1).toText(), QStringLiteral("default"));

        QString error;
        QVERIFY(SoundChoices::store(path, 3, SoundChoice::builtIn(QStringLiteral("purr")), &error));
        QCOMPARE(SoundChoices::read(path, &problems).choice(3), SoundChoice::builtIn(QStringLiteral("purr")));
        QVERIFY(SoundChoices::store(path, 3, SoundChoice(), &error));
        QVERIFY(!QSettings(path, QSettings::IniFormat).contains(QStringLiteral("Sounds/Channel3")));
        // The rest of the file is another's, and stays.
        QCOMPARE(keptValue(path, channel), written);
        QVERIFY(QSettings(path, QSettings::IniFormat).value(QStringLiteral("Desktop/StartInTray")).toBool());
    }

    // A chosen sound takes the channel's place with its levels and its play; it is kept,
    // and stays through every later loading of the sounds, as Resume Last does.
    void aChoiceIsInForceAndStays()
    {
        Rig rig(m_config.path());
        QVERIFY(rig.ready && rig.load());
        rig.controls.setSlider(6, Slider::Volume, -1200);
        rig.controls.setSlider(6, Slider::Pan, 700);
        rig.controls.setSlider(6, Slider::Frequency, 30000);
        QVERIFY(rig.controls.setSwitch(6, 1));

        QVERIFY(rig.chooser.choose(6, SoundChoice::builtIn(QStringLiteral("brook"))));
        const ChannelBuffer *buffer = rig.engine.buffer(6);
        QVERIFY(buffer->sound().isLive());
        QCOMPARE(buffer->volume(), -1200);
        QCOMPARE(buffer->pan(), 700);
        QCOMPARE(buffer->frequency(), 30000);
        QVERIFY(buffer->isPlaying());
        QCOMPARE(keptValue(rig.preferences, 6), QStringLiteral("brook"));
        QCOMPARE(rig.chooser.describe(6), QStringLiteral("Rain \u2014 playing: Brook"));

        QVERIFY(rig.load());
        QVERIFY(rig.soundOf(6)->isLive());
        QVERIFY(!rig.soundOf(7)->isLive());

        rig.chooser.restore(6);
        QVERIFY(!rig.soundOf(6)->isLive());
        QCOMPARE(rig.chooser.describe(6), QStringLiteral("Rain"));
        QVERIFY(!QSettings(rig.preferences, QSettings::IniFormat).contains(QStringLiteral("Sounds/Channel6")));
        QVERIFY(rig.messages.texts().isEmpty());
    }

    // A file that cannot be played is named; the channel plays on as before and nothing is kept.
    void aFileThatCannotPlayChangesNothing()
    {
        Rig rig(m_config.path());
        QVERIFY(rig.ready && rig.load());
        QVERIFY(rig.chooser.choose(6, SoundChoice::builtIn(QStringLiteral("train"))));
        const ChannelSound *before = rig.soundOf(6);
        const QString broken = m_config.filePath(QStringLiteral("broken.wav"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("RIFF, but no sound") > 0);
        file.close();

        QVERIFY(!rig.chooser.choose(6, SoundChoice::file(broken)));
        QCOMPARE(rig.messages.texts().size(), 1);
        QVERIFY2(rig.messages.texts().constFirst().contains(QStringLiteral("\"%1\" cannot be played").arg(broken)),
                 qPrintable(rig.messages.texts().constFirst()));
        QCOMPARE(rig.soundOf(6), before);
        QCOMPARE(rig.chooser.choice(6), SoundChoice::builtIn(QStringLiteral("train")));
        QCOMPARE(keptValue(rig.preferences, 6), QStringLiteral("train"));
    }

    // A file that vanishes while it plays is named; the engine has already gone back to the
    // channel's own sound, and the preferences keep the file for when it is back.
    void aFileLostWhilePlayingIsNamed()
    {
        Rig rig(m_config.path());
        QVERIFY(rig.ready && rig.load());
        const QString sea = m_config.filePath(QStringLiteral("sea.wav"));
        QVERIFY(TestSounds::writeSine(sea, 22050, 2205, 300.0, 0.3));
        QVERIFY2(rig.chooser.choose(6, SoundChoice::file(sea)), qPrintable(rig.messages.texts().join(QLatin1Char('\n'))));
        emit rig.engine.channelSoundLost(6, sea);
        QCOMPARE(rig.messages.texts().size(), 1);
        QVERIFY2(rig.messages.texts().constFirst().contains(sea), qPrintable(rig.messages.texts().constFirst()));
        QVERIFY(rig.chooser.choice(6).isOwn());
        QCOMPARE(rig.chooser.describe(6), QStringLiteral("Rain"));
        QCOMPARE(keptValue(rig.preferences, 6), sea);
    }

    // Kept files that are gone at the start are named in one message; their channels play
    // their own sounds, the others what was kept, and the preferences stay as they were.
    void keptFilesThatAreGoneAreNamedOnceAtStart()
    {
        const QString path = m_config.filePath(QStringLiteral("preferences.ini"));
        const QString sea = m_config.filePath(QStringLiteral("sea.wav"));
        QVERIFY(TestSounds::writeSine(sea, 22050, 2205, 300.0, 0.3));
        {
            QSettings kept(path, QSettings::IniFormat);
            kept.setValue(QStringLiteral("Sounds/Channel2"), QStringLiteral("/gone/a.flac"));
            kept.setValue(QStringLiteral("Sounds/Channel6"), QStringLiteral("/gone/b.flac"));
            kept.setValue(QStringLiteral("Sounds/Channel7"), QStringLiteral("heartbeat"));
            kept.setValue(QStringLiteral("Sounds/Channel8"), sea);
        }
        Rig rig(m_config.path());
        QVERIFY(rig.ready && rig.load());
        QCOMPARE(rig.messages.texts().size(), 1);
        const QString message = rig.messages.texts().constFirst();
        for (const char *named : {"Pink Noise: \"/gone/a.flac\" is gone", "Rain: \"/gone/b.flac\" is gone"})
            QVERIFY2(message.contains(QLatin1String(named)), qPrintable(message));
        QVERIFY(rig.chooser.choice(2).isOwn() && rig.chooser.choice(6).isOwn());
        QVERIFY(!rig.soundOf(2)->isLive() && !rig.soundOf(6)->isLive());
        QVERIFY(rig.soundOf(7)->isLive());
        QCOMPARE(rig.soundOf(8)->file()->path(), sea);
        QCOMPARE(keptValue(path, 6), QStringLiteral("/gone/b.flac"));
    }

    // Each channel is offered its own sound first, every other built-in sound once, and the
    // user's file when it plays one.
    void theOptionsOfAChannel()
    {
        using Group = SoundChoices::Option::Group;
        const std::vector<SoundChoices::Option> options = SoundChoices::optionsFor(6, SoundChoice::file("/m/Sea Night.flac"));
        QCOMPARE(options.size(), std::size_t(1 + 13 + 5 + 1));
        QCOMPARE(options.front().label, QStringLiteral("Own Sound (Rain)"));
        QVERIFY(options.front().choice.isOwn());
        QStringList labels;
        for (const SoundChoices::Option &option : options) {
            if (option.group == Group::New)
                labels << option.label;
            QVERIFY(option.label != QStringLiteral("Rain"));
        }
        QCOMPARE(labels, (QStringList{"Brook", "Heartbeat", "Train", "Fireplace", "Purr"}));
        QCOMPARE(options.back().label, QStringLiteral("Sea Night.flac"));
        QCOMPARE(SoundChoices::optionsFor(6, SoundChoice()).size(), std::size_t(1 + 13 + 5));
        // Every one of them can be played.
        for (const BuiltInSound &sound : BuiltInSounds::all()) {
            QString error;
            QVERIFY2(SoundChoices::resolve(SoundChoice::builtIn(sound.id), &error), qPrintable(sound.id));
        }
    }
};

QTEST_GUILESS_MAIN(SoundChooserTest)
#include "SoundChooserTest.moc"
