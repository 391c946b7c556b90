#include "PrivateSoundServer.h"
#include "PulseTestTools.h"
#include "TestSounds.h"

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseConnection.h"
#include "platform/PulseMixerLines.h"
#include "platform/PulseSystemVolume.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace PulseTestTools;

// Plays one channel through a server of its own and disturbs it as a desktop does: the
// device goes away and another comes, the stream is moved, the sink is suspended, the
// whole server restarts, the program stalls. After each the mix must be heard again, at
// its level, on the sink that now plays it.
class ReconnectPulseTest : public QObject
{
    Q_OBJECT

public:
    enum class Disturbance { Suspend, Move, DeviceChange, ServerRestart };
    Q_ENUM(Disturbance)

private:
    static constexpr double amplitude = 0.5;
    static constexpr double recoverySeconds = 2.0;

    PrivateSoundServer m_server{QStringLiteral("recovery_sink")};
    QTemporaryDir m_sounds;
    // One connection serves the output, the volume and the lines, as in the program.
    PulseConnection m_connection;
    std::unique_ptr<PulseAudioOutput> m_output;
    std::unique_ptr<SoundEngine> m_engine;
    std::unique_ptr<ChannelControls> m_controls;
    std::unique_ptr<PulseSystemVolume> m_volume;
    int m_connectedWithoutStream = 0;

    static double expectedRms() { return amplitude / std::sqrt(2.0); }

    static int streamCount()
    {
        return int(pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")})
                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                       .size());
    }

    static bool hasSilentRun(const std::vector<float> &heard)
    {
        constexpr std::size_t shortestGap = 240; // 5 ms
        std::size_t run = 0;
        for (std::size_t frame = 0; frame + 1 < heard.size(); frame += 2) {
            run = (std::fabs(heard[frame]) < 1e-6f && std::fabs(heard[frame + 1]) < 1e-6f) ? run + 1 : 0;
            if (run >= shortestGap)
                return true;
        }
        return false;
    }

    // Records `sink`'s monitor for a while and answers how far into the recording the mix is
    // heard at its level, every tenth of a second to the end; negative when it is not heard
    // by then. The monitor's own time is the measure: a sink's first block may reach a
    // recording late. This asks only whether the mix came back; gaps of a few milliseconds
    // are the stall test's and the soak's to find.
    static double secondsUntilMixHeard(const QString &sink)
    {
        constexpr double window = 0.1;
        const std::vector<float> heard = record(sink + QStringLiteral(".monitor"), recoverySeconds + 1.0);
        const std::size_t windowFrames = std::size_t(window * 48000);
        const std::size_t windows = heard.size() / 2 / windowFrames;
        std::size_t firstGood = windows;
        for (std::size_t w = windows; w-- > 0;) {
            const std::vector<float> part(heard.begin() + std::ptrdiff_t(w * windowFrames * 2),
                                          heard.begin() + std::ptrdiff_t((w + 1) * windowFrames * 2));
            const double level = TestSounds::rms(part, 0, 0, windowFrames) / expectedRms();
            if (std::fabs(TestSounds::toDecibels(level)) > 1.0)
                break;
            firstGood = w;
        }
        return firstGood < windows ? double(firstGood) * window : -1.0;
    }

    static bool heardInTime(const QString &sink)
    {
        const double seconds = secondsUntilMixHeard(sink);
        qInfo("the mix was heard on %s after %.1f s", qPrintable(sink), seconds);
        return seconds >= 0.0 && seconds <= recoverySeconds;
    }

    static QString moduleOfSink(const QString &sink)
    {
        const QString sinks = pactl({QStringLiteral("list"), QStringLiteral("sinks")});
        const qsizetype at = sinks.indexOf(QStringLiteral("Name: ") + sink + QLatin1Char('\n'));
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Owner Module: (\\d+)")).match(sinks, at);
        return at >= 0 && match.hasMatch() ? match.captured(1) : QString();
    }

    // PipeWire's service lists a loaded sink a moment after answering the load.
    static bool loadNullSink(const QString &name)
    {
        if (pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QStringLiteral("sink_name=") + name}).isNull())
            return false;
        QElapsedTimer clock;
        clock.start();
        while (moduleOfSink(name).isEmpty()) {
            if (clock.elapsed() > 5000)
                return false;
            QTest::qWait(50);
        }
        return true;
    }

    static QString shortListField(const QString &list, int field)
    {
        return pactl({QStringLiteral("list"), QStringLiteral("short"), list}).section(QLatin1Char('\t'), field, field);
    }

    // On PipeWire a move right after the sink was loaded does not always take; it is
    // repeated until the stream stays on `sink`.
    static bool moveStreamTo(const QString &sink)
    {
        const QString sinks = pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(\\d+)\t") + QRegularExpression::escape(sink) + QLatin1Char('\t'),
                                                                 QRegularExpression::MultilineOption).match(sinks);
        if (!match.hasMatch())
            return false;
        QElapsedTimer clock;
        clock.start();
        int settled = 0;
        while (clock.elapsed() < 5000 && settled < 5) {
            if (shortListField(QStringLiteral("sink-inputs"), 1) == match.captured(1)) {
                ++settled;
            } else {
                settled = 0;
                pactl({QStringLiteral("move-sink-input"), shortListField(QStringLiteral("sink-inputs"), 0), sink});
            }
            QTest::qWait(100);
        }
        return settled == 5;
    }

    // Stops the whole process (audio thread included) for `ms`, as memory pressure or a
    // busy machine does; a child process stops it and lets it go on.
    static void stallProcess(int ms)
    {
        QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("kill -STOP %1; sleep %2; kill -CONT %1")
                                                     .arg(QCoreApplication::applicationPid()).arg(ms / 1000.0)});
    }

    // Applies `disturbance` and answers the sink that should play the mix afterwards.
    QString disturb(Disturbance disturbance)
    {
        const QString sink = defaultSink();
        switch (disturbance) {
        case Disturbance::Suspend:
            pactl({QStringLiteral("suspend-sink"), sink, QStringLiteral("1")});
            QTest::qWait(300);
            pactl({QStringLiteral("suspend-sink"), sink, QStringLiteral("0")});
            return sink;
        case Disturbance::Move: {
            const QString other = QStringLiteral("recovery_other");
            if (!loadNullSink(other))
                return {};
            pactl({QStringLiteral("set-sink-volume"), other, QStringLiteral("100%")});
            return moveStreamTo(other) ? other : QString();
        }
        case Disturbance::DeviceChange: {
            for (const QString &name : {QStringLiteral("recovery_other"), sink})
                pactl({QStringLiteral("unload-module"), moduleOfSink(name)});
            QTest::qWait(300);
            const QString replacement = QStringLiteral("recovery_replacement");
            if (!loadNullSink(replacement))
                return {};
            pactl({QStringLiteral("set-default-sink"), replacement});
            return replacement;
        }
        case Disturbance::ServerRestart:
            m_server.stop();
            if (!m_server.start())
                return {};
            return defaultSink();
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs a sound server (scripts/run-tests.sh)");
        QVERIFY(m_server.start());
        QVERIFY(TestSounds::writeSine(ChannelTable::soundFilePath(m_sounds.path(), ChannelTable::channel(1).soundFile),
                                      22050, 22050, 441.0, amplitude));
        m_output = std::make_unique<PulseAudioOutput>(m_connection);
        connect(m_output.get(), &AudioOutput::connectedChanged, this, [this](bool connected) {
            if (connected && streamCount() == 0)
                ++m_connectedWithoutStream;
        });
        m_engine = std::make_unique<SoundEngine>(*m_output);
        QVERIFY(m_engine->initialise());
        QVERIFY(m_output->waitForServer(5000));
        m_engine->loadChannelSounds(m_sounds.path());
        m_controls = std::make_unique<ChannelControls>(*m_engine);
        m_controls->setSlider(1, ChannelControls::Slider::Volume, 0);
        QVERIFY(m_controls->setSwitch(1, 1));
        m_volume = std::make_unique<PulseSystemVolume>(m_connection);
        QVERIFY(m_volume->open());
        QVERIFY(m_volume->setVolume(65535));
        QTRY_VERIFY_WITH_TIMEOUT(m_output->isConnected(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(defaultSink()), long(PulseSystemVolume::sinkVolume(65535)), 5000);
        QVERIFY2(heardInTime(defaultSink()), "the mix never reached the sink");
    }

    void cleanupTestCase()
    {
        m_volume.reset();
        m_controls.reset();
        m_engine.reset();
        m_output.reset();
    }

    void theMixComesBackAfterTheSinkIsDisturbed_data()
    {
        QTest::addColumn<Disturbance>("disturbance");
        QTest::newRow("suspend and resume") << Disturbance::Suspend;
        QTest::newRow("move to another sink") << Disturbance::Move;
        QTest::newRow("device gone, another loaded") << Disturbance::DeviceChange;
        QTest::newRow("server restart") << Disturbance::ServerRestart;
    }

    void theMixComesBackAfterTheSinkIsDisturbed()
    {
        QFETCH(Disturbance, disturbance);
        const QString sink = disturb(disturbance);
        QVERIFY(!sink.isEmpty());
        QVERIFY2(heardInTime(sink), qPrintable(QStringLiteral("not heard on %1 in time").arg(sink)));
        QTRY_VERIFY_WITH_TIMEOUT(m_output->isConnected(), 1000);
        QCOMPARE(m_connectedWithoutStream, 0);
        if (disturbance == Disturbance::DeviceChange || disturbance == Disturbance::ServerRestart)
            QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(sink), long(PulseSystemVolume::sinkVolume(65535)), 3000);
    }

    void aShortStallLeavesNoGapAndALongOneDeepensTheBuffer()
    {
        const QString sink = defaultSink();
        const std::uint64_t underflowsBefore = m_output->underflowCount();
        BackgroundRecording recording(sink + QStringLiteral(".monitor"));
        QTest::qWait(500);
        for (int stall = 0; stall < 3; ++stall) {
            stallProcess(100);
            QTest::qWait(400);
        }
        std::vector<float> heard = recording.stop();
        QVERIFY(heard.size() > 48000 * 2);
        // The recording's own first moments may be empty; judge what follows them.
        heard.erase(heard.begin(), heard.begin() + 9600 * 2);
        QVERIFY2(!hasSilentRun(heard), qPrintable(QStringLiteral("a 100 ms stall left a gap (%1 underruns)").arg(m_output->underflowCount() - underflowsBefore)));
        QCOMPARE(m_output->underflowCount(), underflowsBefore);

        const int bufferBefore = m_output->bufferMs();
        stallProcess(600);
        QTRY_VERIFY_WITH_TIMEOUT(m_output->underflowCount() > underflowsBefore, 2000);
        QVERIFY(m_output->bufferMs() > bufferBefore);
        QVERIFY(m_output->bufferMs() <= m_output->bufferCeilingMs());
        QVERIFY(heardInTime(sink));
    }

    void masterVolumeAndLinesComeBackAfterTheServerRestarts()
    {
        m_volume->setVolume(50000);
        const long wanted = long(PulseSystemVolume::sinkVolume(50000));
        QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(defaultSink()), wanted, 5000);
        PulseMixerLines lines(m_connection);
        QVERIFY(lines.open());
        QCOMPARE(lines.playbackLineCount(), 1);
        QSignalSpy replaced(&lines, &MixerLines::linesReplaced);

        m_server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m_output->isConnected(), 5000);
        QVERIFY(m_server.start());
        QTRY_VERIFY_WITH_TIMEOUT(m_output->isConnected(), 8000);
        QTRY_COMPARE_WITH_TIMEOUT(sinkVolume(defaultSink()), wanted, 8000);
        QTRY_COMPARE_WITH_TIMEOUT(replaced.count(), 1, 8000);
        QCOMPARE(lines.playbackLineCount(), 1);
    }

    // The volume the desktop's sound settings give the program, its balance too, is learnt,
    // and the stream that replaces a lost one (PulseAudio) or is moved (PipeWire) plays at
    // it, not at the volume the program had before. A new volume keeps the balance.
    void aVolumeSetInTheDesktopIsFollowedAndKept()
    {
        const QString stream = shortListField(QStringLiteral("sink-inputs"), 0);
        QSignalSpy changed(m_output.get(), &AudioOutput::streamVolumeChanged);
        QVERIFY(!pactl({QStringLiteral("set-sink-input-volume"), stream, QStringLiteral("50%"), QStringLiteral("25%")}).isNull());
        QTRY_VERIFY_WITH_TIMEOUT(std::fabs(m_output->streamVolume() - 0.5) < 0.001, 3000);
        QVERIFY(!changed.isEmpty());

        const auto sidesAre = [](long left, long right) {
            return std::abs(sinkInputVolume(0) - left) <= 2 && std::abs(sinkInputVolume(1) - right) <= 2;
        };
        QVERIFY(!disturb(Disturbance::DeviceChange).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(m_output->isConnected() && streamCount() == 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(sidesAre(32768L, 16384L), 3000);

        m_output->setStreamVolume(1.0);
        QTRY_VERIFY_WITH_TIMEOUT(sidesAre(65536L, 32768L), 3000);
    }
};

QTEST_GUILESS_MAIN(ReconnectPulseTest)
#include "ReconnectPulseTest.moc"
