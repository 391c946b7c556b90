#include "RenderTestTools.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "render/RenderCommandLine.h"
#include "settings/Duration.h"
#include "settings/MixCommands.h"
#include "settings/MixRecord.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace RenderTestTools;

class RenderCommandLineTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_sounds;
    QTemporaryDir m_work;
    QTemporaryDir m_config;

    QString path(const QString &name) const { return m_work.filePath(name); }

    int execute(const QStringList &arguments, QString *messages)
    {
        messages->clear();
        QTextStream stream(messages);
        return RenderCommandLine::execute(QStringList{QStringLiteral("sonivale")} + arguments, m_sounds.path(),
                                          m_config.path(), stream, false);
    }

    static bool writeFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSounds::writeChannelNoises(m_sounds.path(), 22050));
        MixRecord mix;
        mix.setValue(1, 1);   // Brown Noise on
        mix.setValue(16, 1);  // Rain on
        mix.setValue(53, 20000);
        QVERIFY(writeFile(path(QStringLiteral("night.smf")), mix.toLine()));
        QVERIFY(writeFile(path(QStringLiteral("silent.smf")), MixRecord().toLine()));
        QVERIFY(writeFile(path(QStringLiteral("broken.smf")), QByteArrayLiteral("1,0,0,zero\r\n")));
    }

    void isRequestedOnlyByRender()
    {
        const auto asks = [](std::vector<const char *> args) {
            return RenderCommandLine::isRequested(int(args.size()), const_cast<char **>(args.data()));
        };
        QVERIFY(asks({"sonivale", "--render", "a.smf"}));
        QVERIFY(asks({"sonivale", "--length", "1h", "--render=a.smf"}));
        QVERIFY(!asks({"sonivale"}));
        QVERIFY(!asks({"sonivale", "--rendering"}));
    }

    void helpIsAnAnswerWhereverItStands()
    {
        for (const QStringList &arguments : {QStringList{"--render", "--help"}, QStringList{"--render", path("night.smf"), "-h"}}) {
            QString messages;
            QCOMPARE(execute(arguments, &messages), int(RenderCommandLine::Success));
            QVERIFY2(messages.startsWith("Usage: sonivale --render"), qPrintable(messages));
            QVERIFY2(messages.contains(Duration::rule()), qPrintable(messages));
        }
    }

    void writesTheFileTheExtensionNames_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("rate");
        QTest::addColumn<qint64>("frames");
        QTest::newRow("flac at 48000") << QStringList{"--length", "0min 2s"} << "night.flac" << 48000 << qint64(96000);
        QTest::newRow("wav at 44100, fades, minutes alone") << QStringList{"--length", "0.05", "--rate", "44100", "--fade-in", "1s", "--fade-out", "1s"}
                                            << "night.wav" << 44100 << qint64(132300);
        QTest::newRow("opus is 48000") << QStringList{"--length", "1.5s", "--loop"} << "night.opus" << 48000 << qint64(72000);
    }

    void writesTheFileTheExtensionNames()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(int, rate);
        QFETCH(qint64, frames);
        QString messages;
        const int status = execute(QStringList{"--render", path("night.smf"), "--output", path(output)} + arguments, &messages);
        QVERIFY2(status == RenderCommandLine::Success, qPrintable(messages));
        const std::optional<SoundFile> file = readSound(path(output));
        QVERIFY(file);
        QCOMPARE(file->rate, rate);
        QCOMPARE(file->frames(), frames);
        QVERIFY(levelOf(file->samples, 0, std::size_t(frames)) > -40.0);
        QVERIFY(QFile::remove(path(output)));
    }

    void failuresExitNonZeroWithAMessage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString mix = path("night.smf");
        QTest::newRow("length missing") << QStringList{"--render", mix, "--output", path("a.flac")} << 2 << "--length is missing.";
        QTest::newRow("unknown option") << QStringList{"--render", mix, "--length", "1h", "--output", path("a.flac"), "--speed", "2"}
                                        << 2 << "Unknown option 'speed'";
        QTest::newRow("unknown format") << QStringList{"--render", mix, "--length", "1h", "--output", path("a.aac")}
                                        << 2 << "its extension must be one of wav, flac, ogg, opus, mp3";
        QTest::newRow("bad length") << QStringList{"--render", mix, "--length", "eight", "--output", path("a.flac")}
                                    << 2 << "--length \"eight\" is not a duration such as 8h";
        QTest::newRow("a fade alone is minutes") << QStringList{"--render", mix, "--length", "30s", "--fade-out", "1", "--output", path("a.flac")}
                                                 << 2 << "together are longer than the render";
        QTest::newRow("too long") << QStringList{"--render", mix, "--length", "12h1s", "--output", path("a.flac")}
                                  << 2 << "--length \"12h1s\" is longer than 12 hours";
        QTest::newRow("opus at 44100") << QStringList{"--render", mix, "--length", "1h", "--rate", "44100", "--output", path("a.opus")}
                                       << 2 << "Opus files are always 48000 Hz";
        QTest::newRow("loop with fades") << QStringList{"--render", mix, "--length", "1h", "--loop", "--fade-in", "5s", "--output", path("a.flac")}
                                         << 2 << "A seamless loop has no fade-in or fade-out";
        QTest::newRow("missing mix") << QStringList{"--render", path("none.smf"), "--length", "1h", "--output", path("a.flac")}
                                     << 1 << "because it does not exist";
        QTest::newRow("silent mix") << QStringList{"--render", path("silent.smf"), "--length", "1s", "--output", path("a.flac")}
                                    << 1 << "no channel is switched on";
        QTest::newRow("bad seed") << QStringList{"--render", mix, "--length", "1s", "--seed", "x", "--output", path("a.flac")}
                                  << 2 << "--seed \"x\" is not a whole number.";
        QTest::newRow("missing folder") << QStringList{"--render", mix, "--length", "1s", "--output", path("gone/a.flac")}
                                        << 1 << "does not exist";
        QTest::newRow("no such channel") << QStringList{"--render", mix, "--length", "1s", "--channel-sound", "15=brook", "--output", path("a.flac")}
                                         << 2 << "--channel-sound \"15=brook\" is not CHANNEL=SOUND with a channel from 1 to 14.";
        QTest::newRow("no such sound") << QStringList{"--render", mix, "--length", "1s", "--channel-sound", "6=thunder", "--output", path("a.flac")}
                                       << 2 << "nor a built-in sound of that name";
        QTest::newRow("a sound that cannot play") << QStringList{"--render", mix, "--length", "1s", "--channel-sound", "6=" + path("broken.smf"), "--output", path("a.flac")}
                                                  << 1 << "--channel-sound 6=" + path("broken.smf") + ": \"" + path("broken.smf") + "\" cannot be played";
    }

    void failuresExitNonZeroWithAMessage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QStringList before = entriesOf(m_work.path());
        QString messages;
        QCOMPARE(execute(arguments, &messages), status);
        QVERIFY2(messages.contains(message), qPrintable(messages));
        QCOMPARE(entriesOf(m_work.path()), before);
    }

    // The shipped sounds are made afresh for each render unless a seed is given.
    void aSeedRendersTheSameSoundAgain()
    {
        const QString shipped = qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS");
        const auto render = [&](const QStringList &seed) {
            QString messages;
            QTextStream stream(&messages);
            const QStringList arguments{"sonivale", "--render", path("night.smf"), "--length", "1s", "--output", path("seed.wav")};
            if (RenderCommandLine::execute(arguments + seed, shipped, m_config.path(), stream, false)
                != RenderCommandLine::Success)
                return std::vector<float>{};
            const std::optional<SoundFile> file = readSound(path("seed.wav"));
            QFile::remove(path("seed.wav"));
            return file ? file->samples : std::vector<float>{};
        };
        const std::vector<float> first = render({"--seed", "5"});
        QVERIFY(!first.empty());
        QVERIFY(render({"--seed", "5"}) == first);
        QVERIFY(render({"--seed", "6"}) != first);
        QVERIFY(render({}) != first);
    }

    // A channel plays the sound the preferences keep for it, unless the render is given
    // another; a kept file that is gone is told, and its channel plays its own sound.
    void theChosenSoundsAreRendered()
    {
        const QString preferences = m_config.filePath(QStringLiteral("preferences.ini"));
        const auto render = [&](const QStringList &more, QString *messages) {
            const QStringList arguments{"--render", path("night.smf"), "--length", "1s", "--seed", "3", "--output", path("chosen.wav")};
            if (execute(arguments + more, messages) != RenderCommandLine::Success)
                return std::vector<float>{};
            const std::optional<SoundFile> file = readSound(path("chosen.wav"));
            QFile::remove(path("chosen.wav"));
            return file ? file->samples : std::vector<float>{};
        };
        QString messages;
        const std::vector<float> own = render({}, &messages);
        const std::vector<float> brook = render({"--channel-sound", "6=brook"}, &messages);
        QVERIFY(!own.empty() && !brook.empty());
        QVERIFY(brook != own);

        QVERIFY(writeFile(preferences, "[Sounds]\nChannel6=brook\n"));
        QVERIFY(render({}, &messages) == brook);
        QVERIFY(render({"--channel-sound", "6=default"}, &messages) == own);

        QVERIFY(writeFile(preferences, "[Sounds]\nChannel6=/gone/thunder.flac\n"));
        QVERIFY(render({}, &messages) == own);
        QVERIFY2(messages.contains("Rain: \"/gone/thunder.flac\" cannot be played"), qPrintable(messages));
        QFile::remove(preferences);
    }

    // A damaged mix file gets the words that "Load Config" shows for it.
    void aBadMixFileIsReportedAsLoadReportsIt()
    {
        OfflineAudioOutput output;
        SoundEngine engine(output);
        ChannelControls controls(engine);
        ScriptedFileDialogs dialogs;
        ScriptedUserMessages shown;
        MixCommands commands(controls, engine, dialogs, shown, m_sounds.path(), m_work.path());
        dialogs.answer(path("broken.smf"));
        commands.load(nullptr);
        QCOMPARE(shown.texts().size(), 1);

        QString messages;
        QCOMPARE(execute({"--render", path("broken.smf"), "--length", "1h", "--output", path("a.flac")}, &messages),
                 int(RenderCommandLine::Failure));
        QCOMPARE(messages.trimmed(), shown.texts().constFirst());
    }
};

QTEST_GUILESS_MAIN(RenderCommandLineTest)
#include "RenderCommandLineTest.moc"
