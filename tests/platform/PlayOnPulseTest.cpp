#include "PrivateSoundServer.h"
#include "PulseTestTools.h"
#include "TestSounds.h"

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "output/SinkChoice.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseAudioSinks.h"
#include "platform/PulseConnection.h"

#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace PulseTestTools;

// Plays one channel on a chosen sink of a server of its own while that sink goes and comes
// back, as a headset unplugged and plugged in again. The sinks, the choice and the output
// share one connection, as in the program.
class PlayOnPulseTest : public QObject
{
    Q_OBJECT

private:
    static constexpr double amplitude = 0.5;

    PrivateSoundServer m_server{QStringLiteral("playon_main")};
    QTemporaryDir m_sounds;
    PulseConnection m_connection;
    std::unique_ptr<PulseAudioOutput> m_output;
    std::unique_ptr<PulseAudioSinks> m_sinks;
    std::unique_ptr<SinkChoice> m_choice;
    std::unique_ptr<SoundEngine> m_engine;
    std::unique_ptr<ChannelControls> m_controls;
    QMap<QString, QString> m_modules;

    static QStringList shortList(const QString &what)
    {
        return pactl({QStringLiteral("list"), QStringLiteral("short"), what}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The sink the program's one stream plays on; empty while there is not exactly one.
    static QString streamSink()
    {
        const QStringList streams = shortList(QStringLiteral("sink-inputs"));
        if (streams.size() != 1)
            return {};
        const QString index = streams.first().section(QLatin1Char('\t'), 1, 1);
        for (const QString &sink : shortList(QStringLiteral("sinks"))) {
            if (sink.section(QLatin1Char('\t'), 0, 0) == index)
                return sink.section(QLatin1Char('\t'), 1, 1);
        }
        return {};
    }

    static bool listed(const QString &sink)
    {
        const QStringList sinks = shortList(QStringLiteral("sinks"));
        return std::any_of(sinks.begin(), sinks.end(), [&](const QString &s) { return s.section(QLatin1Char('\t'), 1, 1) == sink; });
    }

    bool loadSink(const QString &name)
    {
        const QString module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                      QStringLiteral("sink_name=") + name,
                                      QStringLiteral("sink_properties=device.description=") + name.toUpper()})
                                   .trimmed();
        m_modules[name] = module;
        return !module.isEmpty();
    }

    bool unloadSink(const QString &name) { return !pactl({QStringLiteral("unload-module"), m_modules.take(name)}).isNull(); }

    // Whether the mix is heard on `sink` at its level over the last half of a second's recording.
    static bool heardOn(const QString &sink)
    {
        const std::vector<float> heard = record(sink + QStringLiteral(".monitor"), 1.0);
        const double level = TestSounds::rms(heard, 0, 24000, 24000) / (amplitude / std::sqrt(2.0));
        qInfo("heard on %s at %.1f dB", qPrintable(sink), TestSounds::toDecibels(level));
        return std::fabs(TestSounds::toDecibels(level)) < 1.0;
    }

    QStringList shownSinks() const
    {
        QStringList shown;
        for (const SinkChoice::Entry &entry : m_choice->entries())
            shown << entry.name;
        return shown;
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs a sound server (scripts/run-tests.sh)");
        QVERIFY(m_server.start());
        QVERIFY(TestSounds::writeSine(ChannelTable::soundFilePath(m_sounds.path(), ChannelTable::channel(1).soundFile),
                                      22050, 22050, 441.0, amplitude));
        for (const QString &sink : {QStringLiteral("playon_a"), QStringLiteral("playon_b")}) {
            QVERIFY(loadSink(sink));
            QTRY_VERIFY_WITH_TIMEOUT(listed(sink), 5000);
            pactl({QStringLiteral("set-sink-volume"), sink, QStringLiteral("100%")});
        }
        pactl({QStringLiteral("set-sink-volume"), QStringLiteral("playon_main"), QStringLiteral("100%")});
        QVERIFY(!pactl({QStringLiteral("set-default-sink"), QStringLiteral("playon_main")}).isNull());

        m_output = std::make_unique<PulseAudioOutput>(m_connection);
        m_sinks = std::make_unique<PulseAudioSinks>(m_connection);
        m_choice = std::make_unique<SinkChoice>(*m_sinks, *m_output, QStringLiteral("playon_b"));
        m_sinks->open();
        m_engine = std::make_unique<SoundEngine>(*m_output);
        QVERIFY(m_engine->initialise());
        m_engine->loadChannelSounds(m_sounds.path());
        m_controls = std::make_unique<ChannelControls>(*m_engine);
        m_controls->setSlider(1, ChannelControls::Slider::Volume, 0);
        QVERIFY(m_controls->setSwitch(1, 1));
        QTRY_VERIFY_WITH_TIMEOUT(m_output->isConnected(), 5000);
    }

    void cleanupTestCase()
    {
        m_controls.reset();
        m_engine.reset();
        m_choice.reset();
        m_sinks.reset();
        m_output.reset();
    }

    // The remembered sink is played on from the first stream, and every sink is offered.
    void theChosenSinkPlaysFromTheStart()
    {
        QTRY_COMPARE_WITH_TIMEOUT(shownSinks(), (QStringList{QString(), "playon_main", "playon_a", "playon_b"}), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(streamSink(), QStringLiteral("playon_b"), 5000);
        QVERIFY(heardOn(QStringLiteral("playon_b")));
    }

    // Gone: the default plays on while the choice is kept; back: the stream goes back.
    void theChosenSinkGoesAndComesBack()
    {
        QVERIFY(unloadSink(QStringLiteral("playon_b")));
        QTRY_VERIFY_WITH_TIMEOUT(m_choice->isChosenAbsent(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(streamSink(), QStringLiteral("playon_main"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(m_output->isConnected(), 5000);
        QVERIFY(heardOn(QStringLiteral("playon_main")));
        QCOMPARE(m_choice->chosen(), QStringLiteral("playon_b"));

        QVERIFY(loadSink(QStringLiteral("playon_b")));
        pactl({QStringLiteral("set-sink-volume"), QStringLiteral("playon_b"), QStringLiteral("100%")});
        QTRY_COMPARE_WITH_TIMEOUT(streamSink(), QStringLiteral("playon_b"), 5000);
        QVERIFY(!m_choice->isChosenAbsent());
        QVERIFY(heardOn(QStringLiteral("playon_b")));
    }

    // Another sink, then the default again: the stream is moved each time, never made anew.
    void theStreamIsMovedToEachChoice_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("playsOn");
        QTest::newRow("another sink") << "playon_a" << "playon_a";
        QTest::newRow("the desktop's default") << QString() << "playon_main";
    }

    void theStreamIsMovedToEachChoice()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, playsOn);
        const QString stream = shortList(QStringLiteral("sink-inputs")).value(0).section(QLatin1Char('\t'), 0, 0);
        m_choice->choose(chosen);
        QTRY_COMPARE_WITH_TIMEOUT(streamSink(), playsOn, 5000);
        QCOMPARE(shortList(QStringLiteral("sink-inputs")).value(0).section(QLatin1Char('\t'), 0, 0), stream);
        QVERIFY(heardOn(playsOn));
    }

    // Back on the default, the stream is no longer held to a sink: it follows the default.
    void theDefaultIsFollowedAgain()
    {
        QVERIFY(m_choice->chosen().isEmpty());
        for (const QString &sink : {QStringLiteral("playon_a"), QStringLiteral("playon_main")}) {
            QVERIFY(!pactl({QStringLiteral("set-default-sink"), sink}).isNull());
            QTRY_COMPARE_WITH_TIMEOUT(streamSink(), sink, 5000);
        }
    }

    // The choice outlasts the server: after a restart without the sink the default plays,
    // and the sink is played on again once it is loaded.
    void theChoiceOutlastsTheServer()
    {
        m_choice->choose(QStringLiteral("playon_b"));
        QTRY_COMPARE_WITH_TIMEOUT(streamSink(), QStringLiteral("playon_b"), 5000);
        m_server.stop();
        m_modules.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!m_output->isConnected(), 5000);
        QVERIFY(m_server.start());
        QTRY_VERIFY_WITH_TIMEOUT(m_output->isConnected(), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(m_choice->isChosenAbsent(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(streamSink(), QStringLiteral("playon_main"), 5000);

        QVERIFY(loadSink(QStringLiteral("playon_b")));
        QTRY_COMPARE_WITH_TIMEOUT(streamSink(), QStringLiteral("playon_b"), 5000);
        QCOMPARE(m_choice->chosen(), QStringLiteral("playon_b"));
    }
};

QTEST_GUILESS_MAIN(PlayOnPulseTest)
#include "PlayOnPulseTest.moc"
