#include "PrivateSoundServer.h"
#include "PulseTestTools.h"

#include "platform/ProgramStarter.h"
#include "platform/PulseMixerLines.h"
#include "platform/PulseConnection.h"
#include "platform/UserMessages.h"
#include "recorder/MixerLinePanel.h"

#include <QCheckBox>
#include <QListWidget>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <functional>

namespace {

constexpr int serverWaitMs = 5000;

const QString sinkA = QStringLiteral("sonivale_mixer_a");
const QString sinkB = QStringLiteral("sonivale_mixer_b");
const QString sourceC = QStringLiteral("sonivale_mixer_c");
const QString sinkADescription = QStringLiteral("SonivaleMixerA");
const QString sinkBDescription = QStringLiteral("SonivaleMixerB");
const QString sourceCDescription = QStringLiteral("SonivaleMixerC");

struct PactlResult
{
    bool ok = false;
    QString output;
};

PactlResult pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(serverWaitMs))
        return {};
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return {ok, QString::fromUtf8(process.readAllStandardOutput()).trimmed()};
}

int indexOfName(int count, const std::function<QString(int)> &nameAt, const QString &name)
{
    for (int i = 0; i < count; ++i) {
        if (nameAt(i) == name)
            return i;
    }
    return -1;
}

MixerLineId playbackLine(const MixerLines &lines, const QString &description)
{
    const int at = indexOfName(lines.playbackLineCount(), [&](int i) { return lines.playbackLineName(i); }, description);
    return lines.playbackLineId(at);
}

MixerLineId recordingLine(const MixerLines &lines, const QString &description)
{
    const int at = indexOfName(lines.recordingLineCount(), [&](int i) { return lines.recordingLineName(i); }, description);
    return lines.recordingLineId(at);
}

// The server reports in order: once an outside change made now has arrived, every report
// about earlier changes has arrived as well.
bool allReportsSeen(const MixerLines &lines)
{
    const MixerLineId c = recordingLine(lines, sourceCDescription);
    const int flipped = lines.controlValue(MixerControl::Mute, c) == 0 ? 1 : 0;
    if (!pactl({QStringLiteral("set-source-mute"), sourceC, QString::number(flipped)}).ok)
        return false;
    return QTest::qWaitFor([&] { return lines.controlValue(MixerControl::Mute, c) == flipped; }, serverWaitMs);
}

class NoPrograms final : public ProgramStarter
{
public:
    QString findProgram(const QString &) const override { return {}; }
    bool startDetached(const QString &, const QStringList &) override { return false; }
};

class SilentMessages final : public UserMessages
{
public:
    void inform(QWidget *, const QString &) override {}
    void notice(QWidget *, const QString &) override {}
    void warn(QWidget *, const QString &) override {}
    bool ask(QWidget *, const QString &) override { return false; }
    void showWithoutWaiting(QWidget *, Tone, const QString &) override {}
};

}

class PulseMixerLinesPulseTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void listsHoldSinksAndSourcesByDescription();
    void balanceOnlyWhereChannelsAllowIt();
    void muteIsSetOnTheServer();
    void sourceMuteIsSetOnTheServer();
    void balanceIsSetOnTheServer();
    void outsideMuteArrivesAsChangeEvent();
    void addedAndRemovedLinesAreFollowed();
    void levelOfCurrentLineArrives();
    void levelFollowsWhatPlays();
    void quickBalanceStepsEndAtTheLastOne();
    void panelShowsLinesAndOutsideChanges();
    void defaultMonitorComesFirstAndTheListFollows();

private:
    static QStringList nullSourceArguments();
    QString loadModule(const QStringList &arguments);

    QStringList m_modules;
};

// A mono recording source that is not a monitor. PipeWire's PulseAudio service has no
// null source; its null sink becomes one when given a source's media class.
QStringList PulseMixerLinesPulseTest::nullSourceArguments()
{
    if (PrivateSoundServer::kind() == QLatin1String("pipewire"))
        return {"module-null-sink", "media.class=Audio/Source/Virtual", "sink_name=" + sourceC, "channels=1",
                "sink_properties=device.description=" + sourceCDescription};
    return {"module-null-source", "source_name=" + sourceC, "channels=1", "description=" + sourceCDescription};
}

QString PulseMixerLinesPulseTest::loadModule(const QStringList &arguments)
{
    const PactlResult result = pactl(QStringList{QStringLiteral("load-module")} + arguments);
    return result.ok ? result.output : QString();
}

void PulseMixerLinesPulseTest::initTestCase()
{
    QVERIFY2(pactl({QStringLiteral("info")}).ok, "No PulseAudio daemon reachable (PULSE_SERVER)");
    const QList<QStringList> modules{
        {"module-null-sink", "sink_name=" + sinkA, "channels=2", "sink_properties=device.description=" + sinkADescription},
        {"module-null-sink", "sink_name=" + sinkB, "channels=2", "sink_properties=device.description=" + sinkBDescription},
        nullSourceArguments(),
    };
    for (const QStringList &arguments : modules) {
        const QString module = loadModule(arguments);
        QVERIFY2(!module.isEmpty(), qPrintable(arguments.join(' ')));
        m_modules.append(module);
    }
}

void PulseMixerLinesPulseTest::cleanupTestCase()
{
    for (const QString &module : std::as_const(m_modules))
        pactl({QStringLiteral("unload-module"), module});
}

void PulseMixerLinesPulseTest::cleanup()
{
    pactl({QStringLiteral("set-sink-mute"), sinkA, QStringLiteral("0")});
    pactl({QStringLiteral("set-sink-mute"), sinkB, QStringLiteral("0")});
    pactl({QStringLiteral("set-source-mute"), sourceC, QStringLiteral("0")});
    pactl({QStringLiteral("set-sink-volume"), sinkA, QStringLiteral("100%")});
    pactl({QStringLiteral("set-sink-volume"), sinkB, QStringLiteral("100%")});
}

void PulseMixerLinesPulseTest::listsHoldSinksAndSourcesByDescription()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    const MixerLineId a = playbackLine(lines, sinkADescription);
    const MixerLineId b = playbackLine(lines, sinkBDescription);
    const MixerLineId c = recordingLine(lines, sourceCDescription);
    const MixerLineId monitorA = recordingLine(lines, QStringLiteral("Monitor of ") + sinkADescription);
    QVERIFY(a.index != MixerLineId::noIndex);
    QVERIFY(b.index != MixerLineId::noIndex);
    QVERIFY(c.index != MixerLineId::noIndex);
    QVERIFY(monitorA.index != MixerLineId::noIndex);
    QCOMPARE(a.kind, MixerLineKind::Playback);
    QCOMPARE(c.kind, MixerLineKind::Recording);
    QCOMPARE(lines.recordingSourceName(c), sourceC);
    QCOMPARE(lines.recordingSourceName(monitorA), sinkA + QStringLiteral(".monitor"));
    QVERIFY(lines.recordingSourceName(a).isEmpty());

    const PactlResult shortList = pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
    QVERIFY(shortList.output.contains(QString::number(a.index) + QLatin1Char('\t') + sinkA));

    QCOMPARE(lines.playbackLineId(lines.playbackLineCount()).index, MixerLineId::noIndex);
    QVERIFY(lines.playbackLineName(-1).isEmpty());
}

void PulseMixerLinesPulseTest::balanceOnlyWhereChannelsAllowIt()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    QVERIFY(lines.hasBalance(playbackLine(lines, sinkADescription)));
    QVERIFY(!lines.hasBalance(recordingLine(lines, sourceCDescription)));
    QCOMPARE(lines.balance(recordingLine(lines, sourceCDescription)), 0);
    QCOMPARE(lines.balance(playbackLine(lines, sinkADescription)), 0);
}

void PulseMixerLinesPulseTest::muteIsSetOnTheServer()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    const MixerLineId a = playbackLine(lines, sinkADescription);
    QCOMPARE(lines.controlValue(MixerControl::Mute, a), 0);
    lines.setControlValue(MixerControl::Mute, 1, a);
    QCOMPARE(lines.controlValue(MixerControl::Mute, a), 1);
    QTRY_COMPARE_WITH_TIMEOUT(pactl({QStringLiteral("get-sink-mute"), sinkA}).output, QStringLiteral("Mute: yes"),
                              serverWaitMs);
    lines.setControlValue(MixerControl::Mute, 0, a);
    QTRY_COMPARE_WITH_TIMEOUT(pactl({QStringLiteral("get-sink-mute"), sinkA}).output, QStringLiteral("Mute: no"),
                              serverWaitMs);
    QVERIFY(allReportsSeen(lines));
    QCOMPARE(lines.controlValue(MixerControl::Mute, a), 0);
}

void PulseMixerLinesPulseTest::sourceMuteIsSetOnTheServer()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    const MixerLineId c = recordingLine(lines, sourceCDescription);
    lines.setControlValue(MixerControl::Mute, 1, c);
    QTRY_COMPARE_WITH_TIMEOUT(pactl({QStringLiteral("get-source-mute"), sourceC}).output,
                              QStringLiteral("Mute: yes"), serverWaitMs);
    QCOMPARE(pactl({QStringLiteral("get-sink-mute"), sinkA}).output, QStringLiteral("Mute: no"));
}

void PulseMixerLinesPulseTest::balanceIsSetOnTheServer()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    const MixerLineId a = playbackLine(lines, sinkADescription);
    lines.setBalance(-50, a);
    QCOMPARE(lines.balance(a), -50);
    QTRY_VERIFY_WITH_TIMEOUT(pactl({QStringLiteral("get-sink-volume"), sinkA}).output.contains(
                                 QStringLiteral("balance -0.50")),
                             serverWaitMs);
    lines.setBalance(100, a);
    QTRY_VERIFY_WITH_TIMEOUT(pactl({QStringLiteral("get-sink-volume"), sinkA}).output.contains(
                                 QStringLiteral("balance 1.00")),
                             serverWaitMs);
    QVERIFY(allReportsSeen(lines));
    QCOMPARE(lines.balance(a), 100);

    lines.setBalance(20, recordingLine(lines, sourceCDescription));
    QCOMPARE(lines.balance(recordingLine(lines, sourceCDescription)), 0);
}

void PulseMixerLinesPulseTest::outsideMuteArrivesAsChangeEvent()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    const MixerLineId b = playbackLine(lines, sinkBDescription);
    QSignalSpy changed(&lines, &MixerLines::changed);
    QVERIFY(pactl({QStringLiteral("set-sink-mute"), sinkB, QStringLiteral("1")}).ok);
    QVERIFY(changed.wait(serverWaitMs));
    QTRY_COMPARE_WITH_TIMEOUT(lines.controlValue(MixerControl::Mute, b), 1, serverWaitMs);

    QVERIFY(pactl({QStringLiteral("set-sink-volume"), sinkB, QStringLiteral("50%"), QStringLiteral("100%")}).ok);
    QTRY_COMPARE_WITH_TIMEOUT(lines.balance(b), 50, serverWaitMs);
}

void PulseMixerLinesPulseTest::addedAndRemovedLinesAreFollowed()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    const int before = lines.playbackLineCount();
    const QString module = loadModule({QStringLiteral("module-null-sink"), QStringLiteral("sink_name=sonivale_mixer_d"),
                                       QStringLiteral("sink_properties=device.description=SonivaleMixerD")});
    QVERIFY(!module.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(lines.playbackLineCount(), before + 1, serverWaitMs);
    QCOMPARE(lines.playbackLineName(lines.playbackLineCount() - 1), QStringLiteral("SonivaleMixerD"));
    QVERIFY(pactl({QStringLiteral("unload-module"), module}).ok);
    QTRY_COMPARE_WITH_TIMEOUT(lines.playbackLineCount(), before, serverWaitMs);
    QCOMPARE(playbackLine(lines, QStringLiteral("SonivaleMixerD")).index, MixerLineId::noIndex);
}

void PulseMixerLinesPulseTest::levelOfCurrentLineArrives()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    lines.setCurrentLine(playbackLine(lines, sinkADescription));
    QSignalSpy level(&lines, &MixerLines::levelChanged);
    QVERIFY(level.wait(serverWaitMs));
    const double peak = level.last().at(0).toDouble();
    QVERIFY(peak >= 0.0 && peak <= 1.0);

    lines.setCurrentLine(recordingLine(lines, sourceCDescription));
    level.clear();
    QVERIFY(level.wait(serverWaitMs));
}

void PulseMixerLinesPulseTest::levelFollowsWhatPlays()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    lines.setCurrentLine(playbackLine(lines, sinkADescription));
    QSignalSpy level(&lines, &MixerLines::levelChanged);
    QProcess noise;
    noise.start(QStringLiteral("pacat"), {QStringLiteral("--device=") + sinkA, QStringLiteral("--raw"),
                                          QStringLiteral("/dev/urandom")});
    QVERIFY(noise.waitForStarted(serverWaitMs));
    const auto loud = [&level] {
        for (const QList<QVariant> &arguments : std::as_const(level)) {
            if (arguments.at(0).toDouble() > 0.5)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(loud(), serverWaitMs);
    noise.kill();
    noise.waitForFinished(serverWaitMs);
}

void PulseMixerLinesPulseTest::quickBalanceStepsEndAtTheLastOne()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    const MixerLineId a = playbackLine(lines, sinkADescription);
    for (int value = 0; value >= -60; --value) {
        lines.setBalance(value, a);
        QCOMPARE(lines.balance(a), value);
        QCoreApplication::processEvents();
    }
    QTRY_VERIFY_WITH_TIMEOUT(pactl({QStringLiteral("get-sink-volume"), sinkA}).output.contains(
                                 QStringLiteral("balance -0.60")),
                             serverWaitMs);
    QVERIFY(allReportsSeen(lines));
    QCOMPARE(lines.balance(a), -60);
}

void PulseMixerLinesPulseTest::panelShowsLinesAndOutsideChanges()
{
    PulseConnection connection;
    PulseMixerLines lines(connection);
    NoPrograms programs;
    SilentMessages messages;
    QString chosenSource;
    MixerLinePanel panel(lines, programs, messages, [&](const QString &name) { chosenSource = name; });
    panel.show();
    panel.prepare();

    auto *list = panel.findChild<QListWidget *>(QStringLiteral("lstLines"));
    auto *mute = panel.findChild<QCheckBox *>(QStringLiteral("chkMute"));
    auto *balance = panel.findChild<QSlider *>(QStringLiteral("sldBalance"));
    QCOMPARE(list->count(), lines.recordingLineCount());
    QCOMPARE(chosenSource, lines.recordingSourceName(lines.recordingLineId(0)));

    const auto rowOf = [list](const QString &text) {
        const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? -1 : list->row(found.first());
    };
    QVERIFY(panel.selectLine(rowOf(sourceCDescription)));
    QCOMPARE(chosenSource, sourceC);
    QVERIFY(!balance->isEnabled());

    panel.findChild<QRadioButton *>(QStringLiteral("optPlayback"))->click();
    QCOMPARE(list->count(), lines.playbackLineCount());
    list->setCurrentRow(rowOf(sinkBDescription));
    QCOMPARE(lines.currentLine(), playbackLine(lines, sinkBDescription));
    QVERIFY(balance->isEnabled());
    QVERIFY(!mute->isChecked());

    QVERIFY(pactl({QStringLiteral("set-sink-mute"), sinkB, QStringLiteral("1")}).ok);
    QTRY_VERIFY_WITH_TIMEOUT(mute->isChecked(), serverWaitMs);

    mute->click();
    QTRY_COMPARE_WITH_TIMEOUT(pactl({QStringLiteral("get-sink-mute"), sinkB}).output, QStringLiteral("Mute: no"),
                              serverWaitMs);

    balance->setValue(-30);
    QTRY_VERIFY_WITH_TIMEOUT(pactl({QStringLiteral("get-sink-volume"), sinkB}).output.contains(
                                 QStringLiteral("balance -0.30")),
                             serverWaitMs);
}

void PulseMixerLinesPulseTest::defaultMonitorComesFirstAndTheListFollows()
{
    // Null sinks and their monitors only, which every pulse server offers.
    const QString first = QStringLiteral("sonivale_default_first");
    const QString second = QStringLiteral("sonivale_default_second");
    const QString before = PulseTestTools::defaultSink();
    QStringList modules;
    const auto restore = qScopeGuard([&] {
        if (!before.isEmpty())
            pactl({QStringLiteral("set-default-sink"), before});
        for (const QString &module : std::as_const(modules))
            pactl({QStringLiteral("unload-module"), module});
    });
    for (const QString &sink : {first, second}) {
        modules.append(loadModule({QStringLiteral("module-null-sink"), "sink_name=" + sink}));
        QVERIFY(!modules.constLast().isEmpty());
    }

    PulseConnection connection;
    PulseMixerLines lines(connection);
    QVERIFY(lines.open());
    const auto sources = [&] {
        QStringList names;
        for (int i = 0; i < lines.recordingLineCount(); ++i)
            names.append(lines.recordingSourceName(lines.recordingLineId(i)));
        return names;
    };
    for (const QString &sink : {first, second, first}) {
        // A pulse server may list a sink a moment after loading its module.
        QTRY_VERIFY_WITH_TIMEOUT(pactl({QStringLiteral("set-default-sink"), sink}).ok, serverWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(sources().value(0), sink + ".monitor", serverWaitMs);
        const QStringList listed = sources();
        QCOMPARE(QSet<QString>(listed.begin(), listed.end()).size(), listed.size());
        QCOMPARE(lines.recordingLineName(0).isEmpty(), false);
    }

    // A source that goes leaves the list; one that comes joins it.
    pactl({QStringLiteral("unload-module"), modules.takeLast()});
    QTRY_VERIFY_WITH_TIMEOUT(!sources().contains(second + ".monitor"), serverWaitMs);
    modules.append(loadModule({QStringLiteral("module-null-sink"), "sink_name=" + second}));
    QTRY_VERIFY_WITH_TIMEOUT(sources().contains(second + ".monitor"), serverWaitMs);
    QCOMPARE(sources().value(0), first + ".monitor");
}

QTEST_MAIN(PulseMixerLinesPulseTest)
#include "PulseMixerLinesPulseTest.moc"
