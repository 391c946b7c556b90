#include "BadFiles.h"
#include "EnforcedFilePermissions.h"
#include "ScriptedFileDialogs.h"
#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "platform/UserMessages.h"
#include "settings/ConsoleMix.h"
#include "settings/MixCommands.h"
#include "settings/MixFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QTest>

#include <sys/resource.h>

#include <csignal>
#include <functional>

using Slider = ChannelControls::Slider;

namespace {

// Channel n's sound has a rate of 11000 + n Hz, which tells the sounds apart.
int rateOf(int channel)
{
    return 11000 + channel;
}

class RecordingMessages final : public UserMessages
{
public:
    void inform(QWidget *, const QString &text) override { shown << text; }
    void notice(QWidget *, const QString &text) override { shown << text; }
    void warn(QWidget *, const QString &text) override { shown << text; }
    void showWithoutWaiting(QWidget *, Tone, const QString &text) override { shown << text; }
    bool ask(QWidget *, const QString &text) override
    {
        shown << text;
        return answer;
    }

    QStringList shown;
    bool answer = false;
};

struct BufferState
{
    const ChannelBuffer *buffer;
    bool playing;
    int volume;
    int pan;
    int frequency;

    friend bool operator==(const BufferState &, const BufferState &) = default;
};

// What a listener and a viewer of the console could tell apart.
struct ConsoleState
{
    MixRecord controls;
    QStringList readouts;
    QList<bool> enabled;
    QList<BufferState> buffers;

    friend bool operator==(const ConsoleState &, const ConsoleState &) = default;
};

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A message shows what the user can read: no control characters, no stand-ins for bytes
// that are not text, and no field quoted at length.
void verifyReadable(const QString &message)
{
    for (const QChar c : message) {
        QVERIFY2(c == QLatin1Char('\n') || (c.isPrint() && c != QChar::ReplacementCharacter), qPrintable(message));
    }
    QVERIFY2(message.size() < 400, qPrintable(message));
}

// Runs `action` while no file of this process may grow beyond `bytes`, as on a full disk.
void withFileSizeLimit(rlim_t bytes, const std::function<void()> &action)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
    action();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

}

class MixCommandsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_programDir;
    std::unique_ptr<QTemporaryDir> m_configDir;
    std::unique_ptr<OfflineAudioOutput> m_output;
    std::unique_ptr<SoundEngine> m_engine;
    std::unique_ptr<ChannelControls> m_controls;
    std::unique_ptr<ScriptedFileDialogs> m_dialogs;
    std::unique_ptr<RecordingMessages> m_messages;
    std::unique_ptr<MixCommands> m_commands;

    QString configFile(const QString &name) const { return QDir(m_configDir->path()).filePath(name); }

    ConsoleState state() const
    {
        ConsoleState result{ConsoleMix::capture(*m_controls), {}, {}, {}};
        for (int channel = 1; channel <= 14; ++channel) {
            result.readouts << m_controls->readout(channel);
            result.enabled << m_controls->controlsEnabled(channel);
            const ChannelBuffer *buffer = m_engine->buffer(channel);
            result.buffers << (buffer ? BufferState{buffer, buffer->isPlaying(), buffer->volume(), buffer->pan(),
                                                    buffer->frequency()}
                                      : BufferState{nullptr, false, 0, 0, 0});
        }
        return result;
    }

    // Channel `channel` on (or off) with volume, pan and frequency derived from `seed`.
    void mixChannel(int channel, int state, int seed)
    {
        QVERIFY(m_controls->setSlider(channel, Slider::Volume, -100 * seed));
        QVERIFY(m_controls->setSlider(channel, Slider::Pan, 150 * seed - 1000));
        QVERIFY(m_controls->setSlider(channel, Slider::Frequency, 9000 + 500 * seed));
        QVERIFY(m_controls->setSwitch(channel, state));
    }

    void verifyPlaysAsItsSliders(int channel)
    {
        const ChannelBuffer *buffer = m_engine->buffer(channel);
        QVERIFY(buffer->isPlaying());
        QCOMPARE(buffer->volume(), m_controls->slider(channel, Slider::Volume));
        QCOMPARE(buffer->pan(), m_controls->slider(channel, Slider::Pan));
        QCOMPARE(buffer->frequency(), m_controls->slider(channel, Slider::Frequency));
    }

    QString saveTo(const QString &path)
    {
        m_dialogs->answer(path);
        m_commands->save(nullptr);
        return path;
    }

    void loadFrom(const QString &path)
    {
        m_dialogs->answer(path);
        m_commands->load(nullptr);
    }

private slots:
    void initTestCase() { QVERIFY(TestSounds::writeChannelSounds(m_programDir.path(), rateOf)); }

    void init()
    {
        m_configDir = std::make_unique<QTemporaryDir>();
        m_output = std::make_unique<OfflineAudioOutput>();
        m_engine = std::make_unique<SoundEngine>(*m_output);
        QVERIFY(m_engine->initialise());
        QVERIFY(m_engine->loadChannelSounds(m_programDir.path()).isEmpty());
        m_controls = std::make_unique<ChannelControls>(*m_engine);
        m_controls->dofilllabels();
        m_dialogs = std::make_unique<ScriptedFileDialogs>();
        m_messages = std::make_unique<RecordingMessages>();
        m_commands = std::make_unique<MixCommands>(*m_controls, *m_engine, *m_dialogs, *m_messages,
                                                   m_programDir.path(), m_configDir->path());
    }

    void cleanup()
    {
        m_commands.reset();
        m_messages.reset();
        m_dialogs.reset();
        m_controls.reset();
        m_engine.reset();
        m_output.reset();
        m_configDir.reset();
    }

    void saveWritesTheExampleLineThroughTheSharedDialogSettings()
    {
        QVERIFY(m_controls->setSwitch(1, 1));
        const QString path = saveTo(configFile("example.smf"));
        QCOMPARE(contentOf(path),
                 QByteArray("1,0,0,0,0,-2000,-2000,-2000,-2000,-2000,32000,32000,32000,32000,32000,0,0,0,0,0,0,0,0,0,"
                            "-2000,-2000,-2000,-2000,-2000,-2000,-2000,-2000,-2000,0,0,0,0,0,0,0,0,0,0,0,0,0,0,32000,"
                            "32000,32000,32000,32000,32000,32000,32000,32000,32000,32000,32000,32000,32000\r\n"));
        loadFrom(QString());

        const QList<ScriptedFileDialogs::Shown> shown = m_dialogs->shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].kind, ScriptedFileDialogs::Kind::Save);
        QCOMPARE(shown[1].kind, ScriptedFileDialogs::Kind::Open);
        // The first dialog opens among the user's documents, the next where the last file went.
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(shown[0].folder, QFileInfo(documents).isDir() ? documents : QDir::homePath());
        QCOMPARE(shown[1].folder, m_configDir->path());
        for (const ScriptedFileDialogs::Shown &dialog : shown)
            QCOMPARE(dialog.filter, QStringLiteral("Sonivale Mix Files (*.smf)"));
        QVERIFY(m_messages->shown.isEmpty());
    }

    // A name without an extension gets ".smf"; the dialog did not ask about that name, so
    // replacing a file of it is asked here. Each saved or loaded file is announced.
    void saveAddsTheExtensionAndAsksBeforeReplacing()
    {
        QSignalSpy files(m_commands.get(), &MixCommands::mixFileChanged);
        QSignalSpy folders(m_commands.get(), &MixCommands::dialogFolderChanged);
        saveTo(configFile("night"));
        QVERIFY(!QFile::exists(configFile("night")));
        QCOMPARE(contentOf(configFile("night.smf")), MixRecord().toLine());
        saveTo(configFile("night.mix"));
        QVERIFY(QFile::exists(configFile("night.mix")));
        QCOMPARE(folders.size(), 1);
        QCOMPARE(folders.at(0).at(0).toString(), m_configDir->path());

        QVERIFY(m_controls->setSwitch(2, 1));
        m_messages->answer = false;
        saveTo(configFile("night"));
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(contentOf(configFile("night.smf")), MixRecord().toLine());
        m_messages->answer = true;
        saveTo(configFile("night"));
        QCOMPARE(MixFile::read(configFile("night.smf"), nullptr)->value(2), 1);

        QSignalSpy applied(m_commands.get(), &MixCommands::mixApplied);
        QVERIFY(m_commands->loadFile(nullptr, configFile("night.mix")));
        QVERIFY(!m_commands->loadFile(nullptr, configFile("missing.smf")));
        QCOMPARE(applied.size(), 1);
        QCOMPARE(files.size(), 4);
        QCOMPARE(files.last().at(0).toString(), configFile("night.mix"));
    }

    void saveReplacesAWholeFileAndCancelTouchesNothing()
    {
        const QString path = configFile("old.smf");
        QVERIFY(writeFile(path, QByteArray(5000, 'x') + "\r\nsecond line\r\n"));
        saveTo(path);
        QCOMPARE(contentOf(path), MixRecord().toLine());

        QVERIFY(m_controls->setSwitch(3, 1));
        const ConsoleState before = state();
        saveTo(QString());
        loadFrom(QString());
        QCOMPARE(contentOf(path), MixRecord().toLine());
        QCOMPARE(QDir(m_configDir->path()).entryList(QDir::Files), QStringList{"old.smf"});
        QCOMPARE(state(), before);
        QVERIFY(m_messages->shown.isEmpty());
    }

    void saveAndLoadRoundTripEveryControl()
    {
        for (int channel = 1; channel <= 14; ++channel)
            mixChannel(channel, channel % 3 == 0 ? 1 : 0, channel);
        const MixRecord saved = ConsoleMix::capture(*m_controls);
        const QString path = saveTo(configFile("all.smf"));
        // An editor may have put a byte-order mark before the record.
        const QString marked = configFile("marked.smf");
        QVERIFY(writeFile(marked, "\xEF\xBB\xBF" + contentOf(path)));

        m_commands->resetAll();
        loadFrom(marked);
        QCOMPARE(ConsoleMix::capture(*m_controls), saved);
        m_commands->resetAll();
        loadFrom(path);
        QCOMPARE(ConsoleMix::capture(*m_controls), saved);
        for (int channel = 1; channel <= 14; ++channel) {
            QCOMPARE(m_controls->readout(channel), QString::number(m_controls->slider(channel, Slider::Frequency)));
            QCOMPARE(m_controls->controlsEnabled(channel), channel % 3 == 0);
            if (channel % 3 == 0)
                verifyPlaysAsItsSliders(channel);
            else
                QVERIFY(!m_engine->buffer(channel)->isPlaying());
        }
        QVERIFY(m_messages->shown.isEmpty());
    }

    void loadingTheUnchangedMixRestartsNothing()
    {
        mixChannel(1, 1, 4);
        mixChannel(7, 1, 9);
        mixChannel(12, 0, 2);
        const QString path = saveTo(configFile("same.smf"));
        ConsoleState before = state();
        // Load gives channels 1 to 5 their frequency and volume sliders' values even when
        // unchanged; that is heard only once they are switched on, at those very values.
        for (int channel = 2; channel <= 5; ++channel) {
            before.buffers[channel - 1].frequency = 32000;
            before.buffers[channel - 1].volume = -2000;
        }

        QSignalSpy switches(m_controls.get(), &ChannelControls::switchChanged);
        QSignalSpy sliders(m_controls.get(), &ChannelControls::sliderChanged);
        loadFrom(path);
        QCOMPARE(switches.count(), 0);
        QCOMPARE(sliders.count(), 0);
        QCOMPARE(state(), before);
    }

    void loadSwitchesAndMovesChannelsAsTheFileSays()
    {
        mixChannel(3, 1, 5);
        mixChannel(8, 1, 6);
        MixRecord file = ConsoleMix::capture(*m_controls);
        file.setValue(3, 0);          // channel 3 off
        file.setValue(2, 1);          // channel 2 on
        file.setValue(7, -500);       // its volume
        file.setValue(35, 1200);      // its pan
        file.setValue(12, 20000);     // its frequency, fields 11-15 ...
        file.setValue(49, 15000);     // ... and a different one in fields 48-52
        file.setValue(20, 1);         // channel 10 on
        file.setValue(29, -700);
        file.setValue(43, -2500);
        file.setValue(57, 30000);
        file.setValue(54, 12345);     // channel 7 stays off, its frequency moves
        const QString path = configFile("edited.smf");
        QVERIFY(writeFile(path, file.toLine()));
        const ChannelBuffer *eight = m_engine->buffer(8);

        loadFrom(path);
        MixRecord expected = file;
        expected.setValue(49, 20000);
        QCOMPARE(ConsoleMix::capture(*m_controls), expected);
        QVERIFY(!m_engine->buffer(3)->isPlaying());
        QVERIFY(!m_controls->controlsEnabled(3));
        QCOMPARE(m_engine->buffer(8), eight);
        verifyPlaysAsItsSliders(8);
        verifyPlaysAsItsSliders(2);
        QCOMPARE(m_engine->buffer(2)->frequency(), 20000);
        verifyPlaysAsItsSliders(10);
        QVERIFY(m_controls->controlsEnabled(10));
        QVERIFY(!m_engine->buffer(7)->isPlaying());
        QCOMPARE(m_engine->buffer(7)->frequency(), 12345);
        QCOMPARE(m_controls->readout(7), QStringLiteral("12345"));
        QCOMPARE(m_controls->readout(2), QStringLiteral("20000"));
    }

    // Channels 6 to 14 start with their file values in place; channels 1 to 5 start
    // before their volumes and last frequencies arrive.
    void loadStartsChannelsInItsOrder()
    {
        MixRecord file;
        file.setValue(2, 1);
        file.setValue(7, -400);
        file.setValue(35, 700);
        file.setValue(12, 21000);
        file.setValue(49, 17000);
        file.setValue(18, 1); // channel 8
        file.setValue(27, -300);
        file.setValue(41, -900);
        file.setValue(55, 18000);
        const QString path = configFile("order.smf");
        QVERIFY(writeFile(path, file.toLine()));

        QStringList seen;
        connect(m_controls.get(), &ChannelControls::switchChanged, this, [&](int channel, int on) {
            seen << QStringLiteral("switch %1 %2 with volume %3, pan %4, frequency %5")
                        .arg(channel)
                        .arg(on)
                        .arg(m_controls->slider(channel, Slider::Volume))
                        .arg(m_controls->slider(channel, Slider::Pan))
                        .arg(m_controls->slider(channel, Slider::Frequency));
        });
        connect(m_controls.get(), &ChannelControls::sliderChanged, this, [&](int channel, Slider kind, int value) {
            if (channel == 2 && kind != Slider::Pan)
                seen << QStringLiteral("channel 2 slider to %1 while %2").arg(value).arg(
                            m_engine->buffer(2)->isPlaying() ? "playing" : "stopped");
        });
        loadFrom(path);
        QCOMPARE(seen, QStringList({
                           "channel 2 slider to 17000 while stopped",
                           "switch 2 1 with volume -2000, pan 700, frequency 17000",
                           "channel 2 slider to -400 while playing",
                           "channel 2 slider to 21000 while playing",
                           "switch 8 1 with volume -300, pan -900, frequency 18000",
                       }));
        verifyPlaysAsItsSliders(2);
        verifyPlaysAsItsSliders(8);
    }

    void loadRefusesBadFilesAndChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("named");
        const QByteArray good = MixRecord().toLine();
        QTest::newRow("empty") << QByteArray() << "no values";
        QTest::newRow("30 values") << good.left(good.indexOf(",-2000,-2000,-2000,0,0")) << "field 31";
        QTest::newRow("switch of 2") << QByteArray(good).replace(0, 1, "2") << "field 1 (switch of channel 1";
        QTest::newRow("word") << QByteArray(good).replace(0, 1, "on") << "field 1 (switch of channel 1";
        QTest::newRow("pan too far") << QByteArray(good).replace(",0,0,0,0,0,0,0,0,0,0,0,0,0,0,", ",0,0,0,0,0,0,0,0,0,0,0,0,0,9000,")
                                     << "field 47 (pan of channel 14";
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe\x89PNG\r\n\x1a\xc3\x28\xe2\x82", 14) << "field 1 (";
        QTest::newRow("missing file") << QByteArray("<missing>") << "does not exist";
        QTest::newRow("a folder") << QByteArray("<folder>") << "not a regular file but a folder";
        QTest::newRow("a FIFO") << QByteArray("<fifo>") << "not a regular file but a FIFO";
        QTest::newRow("/dev/zero") << QByteArray("<zero>") << "not a regular file but a device";
        QTest::newRow("link loop") << QByteArray("<loop>") << "could not be read (Too many levels of symbolic links)";
        QTest::newRow("100 MB") << QByteArray("<huge>") << "holds 100000000 bytes, more than the 8192";
    }

    void loadRefusesBadFilesAndChangesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, named);
        mixChannel(5, 1, 3);
        mixChannel(11, 1, 8);
        const ConsoleState before = state();

        const QString path = configFile("bad.smf");
        QVERIFY(BadFiles::makeAt(path, content, MixRecord().toLine()));
        loadFrom(path);

        QCOMPARE(state(), before);
        QCOMPARE(m_messages->shown.size(), 1);
        QVERIFY2(m_messages->shown[0].contains(path), qPrintable(m_messages->shown[0]));
        QVERIFY2(m_messages->shown[0].contains(named), qPrintable(m_messages->shown[0]));
        QVERIFY(m_messages->shown[0].contains("Nothing was changed"));
        verifyReadable(m_messages->shown[0]);
    }

    void failedWritesKeepTheOldFileAndSayWhy_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("lastSettings");
        for (const bool last : {false, true}) {
            const char *which = last ? "last settings, " : "save, ";
            QTest::newRow(QByteArray(which).append("read-only folder").constData()) << "read-only" << last;
            QTest::newRow(QByteArray(which).append("full disk").constData()) << "full" << last;
        }
    }

    void failedWritesKeepTheOldFileAndSayWhy()
    {
        QFETCH(QString, failure);
        QFETCH(bool, lastSettings);
        const QString path = lastSettings ? m_commands->lastSettingsPath() : configFile("kept.smf");
        const QByteArray old = "0,0,0,0,1,-2000,-2000,-2000,-2000,-2000,32000\r\nold content\r\n";
        QVERIFY(writeFile(path, old));
        mixChannel(4, 1, 7);

        const auto write = [&] {
            if (lastSettings)
                m_commands->writeLastSettings(nullptr);
            else
                saveTo(path);
        };
        if (failure == "full") {
            withFileSizeLimit(64, write);
        } else {
            QVERIFY(QFile::setPermissions(m_configDir->path(), QFile::ReadOwner | QFile::ExeOwner));
            {
                EnforcedFilePermissions enforced;
                write();
            }
            QVERIFY(QFile::setPermissions(m_configDir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }

        QCOMPARE(contentOf(path), old);
        QCOMPARE(QDir(m_configDir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
        QCOMPARE(m_messages->shown.size(), 1);
        QVERIFY2(m_messages->shown[0].contains(path), qPrintable(m_messages->shown[0]));
        QVERIFY2(m_messages->shown[0].contains(failure == "full" ? "too large" : "ermission"),
                 qPrintable(m_messages->shown[0]));
    }

    void saveToAnImpossiblePathSaysSoAndCreatesNothing()
    {
        const QString blocker = configFile("plain-file");
        QVERIFY(writeFile(blocker, "not a folder"));
        const QString path = blocker + "/mix.smf";
        saveTo(path);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(contentOf(blocker), QByteArray("not a folder"));
        QCOMPARE(m_messages->shown.size(), 1);
        QVERIFY(m_messages->shown[0].contains(path));
    }

    void lastSettingsAlwaysHoldOneWholeRecord()
    {
        m_commands->writeLastSettings(nullptr);
        QCOMPARE(m_commands->lastSettingsPath(), configFile("settings.ini"));
        QCOMPARE(contentOf(configFile("settings.ini")), MixRecord().toLine());

        mixChannel(9, 1, 3);
        m_commands->writeLastSettings(nullptr);
        QCOMPARE(contentOf(configFile("settings.ini")), ConsoleMix::capture(*m_controls).toLine());
        QVERIFY(m_messages->shown.isEmpty());
    }

    void resumeLastBringsBackTheMixOfTheLastClose()
    {
        for (int channel = 1; channel <= 14; ++channel)
            mixChannel(channel, channel == 2 || channel == 9 ? 1 : 0, channel + 1);
        const MixRecord closed = ConsoleMix::capture(*m_controls);
        m_commands->writeLastSettings(nullptr);

        QSignalSpy applied(m_commands.get(), &MixCommands::mixApplied);
        m_commands->resetAll();
        mixChannel(5, 1, 12);
        QList<const ChannelBuffer *> old;
        for (int channel = 1; channel <= 14; ++channel)
            old << m_engine->buffer(channel);

        m_commands->resumeLast(nullptr);
        QCOMPARE(applied.size(), 2);
        QCOMPARE(ConsoleMix::capture(*m_controls), closed);
        for (int channel = 1; channel <= 14; ++channel) {
            QVERIFY(m_engine->buffer(channel) != old[channel - 1]);
            QCOMPARE(m_controls->readout(channel), QString::number(closed.value(channel <= 5 ? 10 + channel : 47 + channel)));
            if (channel == 2 || channel == 9)
                verifyPlaysAsItsSliders(channel);
            else
                QVERIFY(!m_engine->buffer(channel)->isPlaying());
        }
        QVERIFY(m_messages->shown.isEmpty());
    }

    // As after start-up: "Radio Static" switched on after Resume Last plays radio static.
    void resumeLastGivesEveryChannelItsOwnSound()
    {
        m_commands->writeLastSettings(nullptr);
        m_commands->resumeLast(nullptr);
        QVERIFY(m_controls->setSwitch(14, 1));
        QVERIFY(m_engine->buffer(14)->isPlaying());
        for (int channel = 1; channel <= 14; ++channel)
            QCOMPARE(m_engine->buffer(channel)->sound().sampleRate(), rateOf(channel));
        QVERIFY(m_messages->shown.isEmpty());
    }

    // Fresh buffers are stopped; a switch that shows on must not leave its channel silent,
    // however often "Resume Last" is pressed.
    void resumeLastPlaysEveryChannelWhoseSwitchShowsOn()
    {
        mixChannel(4, 1, 2);
        mixChannel(12, 1, 5);
        m_commands->writeLastSettings(nullptr);

        for (int press = 1; press <= 2; ++press) {
            m_commands->resumeLast(nullptr);
            for (int channel = 1; channel <= 14; ++channel) {
                QCOMPARE(m_engine->buffer(channel)->isPlaying(), channel == 4 || channel == 12);
                QCOMPARE(m_controls->controlsEnabled(channel), channel == 4 || channel == 12);
            }
            QCOMPARE(m_engine->buffer(4)->volume(), m_controls->slider(4, Slider::Volume));
            QCOMPARE(m_engine->buffer(4)->frequency(), m_controls->slider(4, Slider::Frequency));
            QCOMPARE(m_engine->buffer(12)->volume(), m_controls->slider(12, Slider::Volume));
        }
        QVERIFY(m_messages->shown.isEmpty());
    }

    void resumeLastWithoutAValidFileSaysSoAndChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("named");
        QTest::newRow("never closed") << QByteArray("<missing>") << "no last mix";
        QTest::newRow("30 values") << MixRecord().toLine().left(100) << "field";
        QTest::newRow("frequency of 0") << MixRecord().toLine().replace(",32000\r\n", ",0\r\n") << "field 61";
        QTest::newRow("a folder") << QByteArray("<folder>") << "not a regular file but a folder";
        QTest::newRow("a FIFO") << QByteArray("<fifo>") << "not a regular file but a FIFO";
        QTest::newRow("/dev/zero") << QByteArray("<zero>") << "not a regular file but a device";
        QTest::newRow("link loop") << QByteArray("<loop>") << "cannot be used, because it could not be read (Too many";
        QTest::newRow("100 MB") << QByteArray("<huge>") << "more than the 8192";
    }

    void resumeLastWithoutAValidFileSaysSoAndChangesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, named);
        const QString path = m_commands->lastSettingsPath();
        QVERIFY(BadFiles::makeAt(path, content, MixRecord().toLine()));
        mixChannel(6, 1, 4);
        mixChannel(13, 0, 9);
        const ConsoleState before = state();

        m_commands->resumeLast(nullptr);
        QCOMPARE(state(), before);
        QCOMPARE(m_messages->shown.size(), 1);
        QVERIFY2(m_messages->shown[0].contains(named), qPrintable(m_messages->shown[0]));
        QVERIFY(m_messages->shown[0].contains("Nothing was changed"));
    }

    void resumeLastReportsSoundsItCouldNotLoad()
    {
        QTemporaryDir program;
        QVERIFY(TestSounds::writeChannelSounds(program.path(), rateOf));
        const QString missing = QDir(program.path()).filePath("sine.Wav");
        QVERIFY(QFile::remove(missing));
        MixCommands commands(*m_controls, *m_engine, *m_dialogs, *m_messages, program.path(), m_configDir->path());
        mixChannel(11, 1, 3);
        mixChannel(6, 1, 4);
        commands.writeLastSettings(nullptr);

        commands.resumeLast(nullptr);
        QCOMPARE(m_messages->shown.size(), 1);
        QVERIFY2(m_messages->shown[0].contains(missing), qPrintable(m_messages->shown[0]));
        QCOMPARE(m_engine->buffer(11), nullptr);
        QCOMPARE(m_controls->switchState(11), 0);
        QVERIFY(!m_controls->controlsEnabled(11));
        QCOMPARE(m_controls->slider(11, Slider::Volume), -300);
        QVERIFY(m_engine->buffer(6)->isPlaying());
        QCOMPARE(m_engine->buffer(6)->volume(), -400);
    }

    void resetAllStopsEverythingAndRestoresStartValues()
    {
        mixChannel(1, 1, 3);
        mixChannel(8, 1, 5);
        mixChannel(14, 1, 7);
        mixChannel(10, 0, 2);
        QStringList seen;
        connect(m_commands.get(), &MixCommands::startInTrayCleared, this, [&] {
            seen << QStringLiteral("tray cleared: 1 %1, 8 %2")
                        .arg(m_engine->buffer(1)->isPlaying() ? "playing" : "stopped",
                             m_engine->buffer(8)->isPlaying() ? "playing" : "stopped");
        });
        connect(m_controls.get(), &ChannelControls::sliderChanged, this, [&] {
            for (int channel = 1; channel <= 14; ++channel) {
                if (m_engine->buffer(channel)->isPlaying())
                    seen << QStringLiteral("slider moved while %1 plays").arg(channel);
            }
        });

        m_commands->resetAll();
        QCOMPARE(seen, QStringList{"tray cleared: 1 stopped, 8 playing"});
        QCOMPARE(ConsoleMix::capture(*m_controls), MixRecord());
        for (int channel = 1; channel <= 14; ++channel) {
            QVERIFY(!m_engine->buffer(channel)->isPlaying());
            QVERIFY(!m_controls->controlsEnabled(channel));
        }
        for (int channel : {1, 8, 10, 14}) {
            QCOMPARE(m_engine->buffer(channel)->pan(), 0);
            QCOMPARE(m_engine->buffer(channel)->frequency(), 32000);
            QCOMPARE(m_controls->readout(channel), QStringLiteral("32000"));
        }

        QVERIFY(m_controls->setSwitch(10, 1));
        QCOMPARE(m_engine->buffer(10)->volume(), -2000);
        QCOMPARE(m_engine->buffer(10)->frequency(), 32000);
        QVERIFY(m_controls->setSwitch(10, 0));
        QCOMPARE(contentOf(saveTo(configFile("reset.smf"))), MixRecord().toLine());
    }

    void resetAllAtTheStartRunsNoHandler()
    {
        QSignalSpy switches(m_controls.get(), &ChannelControls::switchChanged);
        QSignalSpy sliders(m_controls.get(), &ChannelControls::sliderChanged);
        QSignalSpy readouts(m_controls.get(), &ChannelControls::readoutChanged);
        QSignalSpy enabled(m_controls.get(), &ChannelControls::enabledChanged);
        QSignalSpy tray(m_commands.get(), &MixCommands::startInTrayCleared);
        const ConsoleState before = state();
        m_commands->resetAll();
        QCOMPARE(switches.count() + sliders.count() + readouts.count() + enabled.count(), 0);
        QCOMPARE(tray.count(), 1);
        QCOMPARE(state(), before);
    }
};

QTEST_GUILESS_MAIN(MixCommandsTest)
#include "MixCommandsTest.moc"
