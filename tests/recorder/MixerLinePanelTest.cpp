#include "FakeMixerLines.h"

#include "platform/ProgramStarter.h"
#include "platform/UserMessages.h"
#include "recorder/MixerLinePanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <functional>
#include <memory>

namespace {

class FakeProgramStarter final : public ProgramStarter
{
public:
    QString findProgram(const QString &name) const override
    {
        return installed.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    }

    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started.append(program);
        startedArguments.append(arguments);
        return starts;
    }

    QStringList installed;
    QStringList started;
    QList<QStringList> startedArguments;
    bool starts = true;
};

class RecordingUserMessages final : public UserMessages
{
public:
    void inform(QWidget *, const QString &text) override { shown.append(text); }
    void notice(QWidget *, const QString &text) override { shown.append(text); }
    void warn(QWidget *, const QString &text) override { shown.append(text); }
    void showWithoutWaiting(QWidget *, Tone, const QString &text) override { shown.append(text); }
    bool ask(QWidget *, const QString &text) override
    {
        shown.append(text);
        return false;
    }

    QStringList shown;
};

}

class MixerLinePanelTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadListsRecordingLinesInOrderAndSelectsFirst();
    void loadPassesThroughPlaybackFirst();
    void lineWithoutBalanceDisablesSlider();
    void mouseTickMutesSelectedLine();
    void keyboardToggleMutesSelectedLine();
    void changeEventLeavesBoxTicked();
    void changeEventShowsOutsideMuteWithoutSending();
    void changeEventMovesBalanceSlider();
    void balanceSliderSetsBalanceOfCurrentLine();
    void switchingToPlaybackListsPlaybackLinesAndSelectsFirst();
    void selectingRecordingLineChoosesCaptureSource();
    void linesReadAnewKeepTheChosenPlace();
    void selectingMutedLineSendsNothing();
    void sourceChoiceIsKeptByNameAsLinesComeAndGo();
    void longNamesStayReadable();
    void savedIndexIsSelectedAndReadBack();
    void savedIndexOutOfRangeChangesNothing();
    void noLinesLeavesListEmpty();
    void levelMovesMeter();
    void controlsCarryCaptionsAndNames();
    void openMixerPropertiesStartsSoundSettings();
    void openMixerPropertiesFallsBackToQtSoundSettings();
    void openMixerPropertiesWithoutProgramSaysWhatToInstall();
    void openMixerPropertiesThatFailsToStartSaysSo();

private:
    void makePanel();

    std::unique_ptr<FakeMixerLines> m_lines;
    FakeProgramStarter m_programs;
    RecordingUserMessages m_messages;
    QStringList m_chosenSources;
    std::unique_ptr<MixerLinePanel> m_panel;
    MixerLineId m_speakers;
    MixerLineId m_headphones;
    MixerLineId m_monitor;
    MixerLineId m_microphone;
    MixerLineId m_lineIn;

    QListWidget *list() const { return m_panel->findChild<QListWidget *>(QStringLiteral("lstLines")); }
    QCheckBox *mute() const { return m_panel->findChild<QCheckBox *>(QStringLiteral("chkMute")); }
    QSlider *balance() const { return m_panel->findChild<QSlider *>(QStringLiteral("sldBalance")); }
    QRadioButton *playback() const { return m_panel->findChild<QRadioButton *>(QStringLiteral("optPlayback")); }
    QRadioButton *recording() const { return m_panel->findChild<QRadioButton *>(QStringLiteral("optRecording")); }
    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names.append(list()->item(i)->text());
        return names;
    }
};

void MixerLinePanelTest::init()
{
    m_lines = std::make_unique<FakeMixerLines>();
    m_speakers = m_lines->addLine(MixerLineKind::Playback, QStringLiteral("Speakers"), true, 10, true);
    m_headphones = m_lines->addLine(MixerLineKind::Playback, QStringLiteral("Headphones"));
    m_monitor = m_lines->addLine(MixerLineKind::Recording, QStringLiteral("Monitor of Speakers"), true, 20, false);
    m_microphone = m_lines->addLine(MixerLineKind::Recording, QStringLiteral("Microphone"), false, 0, true);
    m_lineIn = m_lines->addLine(MixerLineKind::Recording, QStringLiteral("Line In"), true, -40, false);
    m_programs = FakeProgramStarter();
    m_messages.shown.clear();
    m_chosenSources.clear();
}

void MixerLinePanelTest::cleanup()
{
    m_panel.reset();
    m_lines.reset();
}

void MixerLinePanelTest::makePanel()
{
    m_panel = std::make_unique<MixerLinePanel>(*m_lines, m_programs, m_messages,
                                               [this](const QString &name) { m_chosenSources.append(name); });
    m_panel->show();
    m_panel->prepare();
}

void MixerLinePanelTest::loadListsRecordingLinesInOrderAndSelectsFirst()
{
    makePanel();
    QCOMPARE(m_lines->openCalls, 1);
    QVERIFY(recording()->isChecked());
    QVERIFY(!playback()->isChecked());
    QCOMPARE(listed(), (QStringList{"Monitor of Speakers", "Microphone", "Line In"}));
    QCOMPARE(m_panel->selectedLine(), 0);
    QCOMPARE(m_lines->currentLine(), m_monitor);
    QVERIFY(!mute()->isChecked());
    QVERIFY(balance()->isEnabled());
    QCOMPARE(balance()->value(), 20);
    QCOMPARE(m_chosenSources.last(), QStringLiteral("source_0"));
    QVERIFY(m_lines->muteWrites.isEmpty());
}

void MixerLinePanelTest::loadPassesThroughPlaybackFirst()
{
    makePanel();
    QCOMPARE(m_lines->currentLineHistory,
             (QList<MixerLineId>{m_speakers, m_speakers, m_monitor}));
}

void MixerLinePanelTest::lineWithoutBalanceDisablesSlider()
{
    makePanel();
    list()->setCurrentRow(1);
    QVERIFY(!balance()->isEnabled());
    QVERIFY(mute()->isChecked());
    list()->setCurrentRow(2);
    QVERIFY(balance()->isEnabled());
    QCOMPARE(balance()->value(), -40);
}

void MixerLinePanelTest::mouseTickMutesSelectedLine()
{
    makePanel();
    QTest::mouseClick(mute(), Qt::LeftButton, {}, QPoint(5, mute()->height() / 2));
    QVERIFY(mute()->isChecked());
    QCOMPARE(m_lines->muteWrites.size(), 1);
    QCOMPARE(m_lines->muteWrites[0].line, m_monitor);
    QCOMPARE(m_lines->muteWrites[0].value, 1);
    QVERIFY(m_lines->line(m_monitor)->mute);
}

void MixerLinePanelTest::keyboardToggleMutesSelectedLine()
{
    makePanel();
    mute()->setFocus();
    QTest::keyClick(mute(), Qt::Key_Space);
    QVERIFY(mute()->isChecked());
    QCOMPARE(m_lines->muteWrites.size(), 1);
    QCOMPARE(m_lines->muteWrites[0].line, m_monitor);
    QCOMPARE(m_lines->muteWrites[0].value, 1);

    mute()->toggle();
    QCOMPARE(m_lines->muteWrites.size(), 2);
    QCOMPARE(m_lines->muteWrites[1].value, 0);
    QVERIFY(!m_lines->line(m_monitor)->mute);
}

void MixerLinePanelTest::changeEventLeavesBoxTicked()
{
    makePanel();
    mute()->click();
    m_lines->emitChanged();
    QVERIFY(mute()->isChecked());
    QCOMPARE(m_lines->muteWrites.size(), 1);
}

void MixerLinePanelTest::changeEventShowsOutsideMuteWithoutSending()
{
    makePanel();
    m_lines->line(m_monitor)->mute = true;
    m_lines->emitChanged();
    QVERIFY(mute()->isChecked());
    m_lines->line(m_monitor)->mute = false;
    m_lines->emitChanged();
    QVERIFY(!mute()->isChecked());
    QVERIFY(m_lines->muteWrites.isEmpty());
}

void MixerLinePanelTest::changeEventMovesBalanceSlider()
{
    makePanel();
    m_lines->line(m_monitor)->balance = -10;
    m_lines->emitChanged();
    QCOMPARE(balance()->value(), -10);
    QCOMPARE(m_lines->line(m_monitor)->balance, -10);
}

void MixerLinePanelTest::balanceSliderSetsBalanceOfCurrentLine()
{
    makePanel();
    m_lines->balanceWrites.clear();
    balance()->setFocus();
    QTest::keyClick(balance(), Qt::Key_Right);
    QCOMPARE(balance()->value(), 21);
    QCOMPARE(m_lines->balanceWrites.size(), 1);
    QCOMPARE(m_lines->balanceWrites[0].line, m_monitor);
    QCOMPARE(m_lines->balanceWrites[0].value, 21);

    list()->setCurrentRow(1);
    m_lines->balanceWrites.clear();
    balance()->setValue(50);
    QVERIFY(m_lines->balanceWrites.isEmpty());
}

void MixerLinePanelTest::switchingToPlaybackListsPlaybackLinesAndSelectsFirst()
{
    makePanel();
    QTest::mouseClick(playback(), Qt::LeftButton, {}, QPoint(5, playback()->height() / 2));
    QVERIFY(playback()->isChecked());
    QVERIFY(!recording()->isChecked());
    QCOMPARE(listed(), (QStringList{"Speakers", "Headphones"}));
    QCOMPARE(m_panel->selectedLine(), 0);
    QCOMPARE(m_lines->currentLine(), m_speakers);
    QVERIFY(mute()->isChecked());
    QCOMPARE(balance()->value(), 10);

    list()->setCurrentRow(1);
    QCOMPARE(m_lines->currentLine(), m_headphones);
    mute()->click();
    QCOMPARE(m_lines->muteWrites.last().line, m_headphones);
    QCOMPARE(m_lines->muteWrites.last().value, 1);
}

void MixerLinePanelTest::linesReadAnewKeepTheChosenPlace()
{
    makePanel();
    list()->setCurrentRow(2);
    // The server came back and numbered its lines afresh.
    for (FakeMixerLines::Line &line : m_lines->recording)
        line.id.index += 100;
    FakeMixerLines::Line &renumbered = m_lines->recording[2];
    renumbered.mute = true;
    renumbered.balance = 30;
    const MixerLineId lineIn = renumbered.id;
    m_lines->emitLinesReplaced();
    QCOMPARE(m_panel->selectedLine(), 2);
    QCOMPARE(m_lines->currentLine(), lineIn);
    QVERIFY(mute()->isChecked());
    QCOMPARE(balance()->value(), 30);
    QCOMPARE(m_chosenSources.last(), m_lines->recordingSourceName(lineIn));

    m_lines->recording.clear();
    m_lines->emitLinesReplaced();
    QVERIFY(listed().isEmpty());
}

void MixerLinePanelTest::selectingRecordingLineChoosesCaptureSource()
{
    makePanel();
    list()->setCurrentRow(2);
    QCOMPARE(m_chosenSources.last(), QStringLiteral("source_2"));
    const qsizetype chosen = m_chosenSources.size();
    playback()->click();
    list()->setCurrentRow(1);
    QCOMPARE(m_chosenSources.size(), chosen);
}

void MixerLinePanelTest::selectingMutedLineSendsNothing()
{
    makePanel();
    list()->setCurrentRow(1);
    QVERIFY(mute()->isChecked());
    list()->setCurrentRow(0);
    QVERIFY(!mute()->isChecked());
    QVERIFY(m_lines->muteWrites.isEmpty());
}

void MixerLinePanelTest::savedIndexIsSelectedAndReadBack()
{
    makePanel();
    QVERIFY(m_panel->selectLine(2));
    QCOMPARE(m_panel->selectedLine(), 2);
    QCOMPARE(m_lines->currentLine(), m_lineIn);
    QCOMPARE(m_chosenSources.last(), QStringLiteral("source_2"));
    QCOMPARE(balance()->value(), -40);
}

void MixerLinePanelTest::savedIndexOutOfRangeChangesNothing()
{
    makePanel();
    QVERIFY(!m_panel->selectLine(3));
    QVERIFY(!m_panel->selectLine(-1));
    QCOMPARE(m_panel->selectedLine(), 0);
    QCOMPARE(m_lines->currentLine(), m_monitor);
}

void MixerLinePanelTest::noLinesLeavesListEmpty()
{
    m_lines->playback.clear();
    m_lines->recording.clear();
    makePanel();
    QCOMPARE(list()->count(), 0);
    QCOMPARE(m_panel->selectedLine(), -1);
    QVERIFY(m_chosenSources.isEmpty());
    mute()->click();
    QVERIFY(m_lines->muteWrites.isEmpty());
    QVERIFY(!m_panel->selectLine(0));
}

void MixerLinePanelTest::levelMovesMeter()
{
    makePanel();
    auto *meter = m_panel->findChild<QProgressBar *>(QStringLiteral("barLevel"));
    QVERIFY(meter);
    emit m_lines->levelChanged(0.5);
    QCOMPARE(meter->value(), 50);
    emit m_lines->levelChanged(0.0);
    QCOMPARE(meter->value(), 0);
}

void MixerLinePanelTest::controlsCarryCaptionsAndNames()
{
    makePanel();
    QCOMPARE(balance()->minimum(), -100);
    QCOMPARE(balance()->maximum(), 100);
    QCOMPARE(balance()->toolTip(), QStringLiteral("Change This Channels Balance"));
    QCOMPARE(balance()->accessibleName(), QStringLiteral("Balance of the selected line"));
    auto *meter = m_panel->findChild<QProgressBar *>(QStringLiteral("barLevel"));
    QCOMPARE(meter->accessibleName(), QStringLiteral("Level of the selected line"));
    QVERIFY(!list()->accessibleName().isEmpty());
    QCOMPARE(mute()->text(), QStringLiteral("Mute"));
    QCOMPARE(playback()->text(), QStringLiteral("Playback"));
    QCOMPARE(recording()->text(), QStringLiteral("Recording"));
    auto *open = m_panel->findChild<QPushButton *>(QStringLiteral("Command7"));
    QCOMPARE(open->text(), QStringLiteral("Open Mixer Properties"));
    const QStringList captions{"Select Recording Source", "Balance", "Level"};
    const QStringList labels{"Label11", "Label13", "Label14"};
    for (int i = 0; i < labels.size(); ++i) {
        auto *label = m_panel->findChild<QLabel *>(labels[i]);
        QVERIFY2(label, qPrintable(labels[i]));
        QCOMPARE(label->text(), captions[i]);
    }
}

void MixerLinePanelTest::openMixerPropertiesStartsSoundSettings()
{
    m_programs.installed = QStringList{"pavucontrol", "pavucontrol-qt"};
    makePanel();
    m_panel->findChild<QPushButton *>(QStringLiteral("Command7"))->click();
    QCOMPARE(m_programs.started, QStringList{"/usr/bin/pavucontrol"});
    QVERIFY(m_messages.shown.isEmpty());
}

void MixerLinePanelTest::openMixerPropertiesFallsBackToQtSoundSettings()
{
    m_programs.installed = QStringList{"pavucontrol-qt"};
    makePanel();
    m_panel->findChild<QPushButton *>(QStringLiteral("Command7"))->click();
    QCOMPARE(m_programs.started, QStringList{"/usr/bin/pavucontrol-qt"});
    QVERIFY(m_messages.shown.isEmpty());
}

void MixerLinePanelTest::openMixerPropertiesWithoutProgramSaysWhatToInstall()
{
    makePanel();
    m_panel->findChild<QPushButton *>(QStringLiteral("Command7"))->click();
    QVERIFY(m_programs.started.isEmpty());
    QCOMPARE(m_messages.shown,
             QStringList{"Install pavucontrol to change the sound settings: sudo apt install pavucontrol"});
}

void MixerLinePanelTest::openMixerPropertiesThatFailsToStartSaysSo()
{
    m_programs.installed = QStringList{"pavucontrol"};
    m_programs.starts = false;
    makePanel();
    m_panel->findChild<QPushButton *>(QStringLiteral("Command7"))->click();
    QCOMPARE(m_messages.shown.size(), 1);
    QVERIFY(m_messages.shown[0].contains(QStringLiteral("could not be started")));
}

void MixerLinePanelTest::sourceChoiceIsKeptByNameAsLinesComeAndGo()
{
    makePanel();
    QCOMPARE(m_chosenSources.last(), QStringLiteral("source_0"));
    QVERIFY2(m_panel->chosenSource().isEmpty(), "the first line is the usual source, not a choice");
    list()->setCurrentRow(2);
    QCOMPARE(m_panel->chosenSource(), QStringLiteral("source_2"));

    const FakeMixerLines::Line lineIn = m_lines->recording.at(2);
    const FakeMixerLines::Line usb{MixerLineId{MixerLineKind::Recording, 900}, "USB Microphone", "usb_mic"};
    struct Step
    {
        const char *what;
        std::function<void()> change;
        QStringList listed;
        QString selected;
        QString source;
    };
    const QList<Step> steps{
        {"a source comes", [&] { m_lines->recording.insert(1, usb); },
         {"Monitor of Speakers", "USB Microphone", "Microphone", "Line In"}, "Line In", "source_2"},
        {"the chosen one goes", [&] { m_lines->recording.removeAt(3); },
         {"Monitor of Speakers", "USB Microphone", "Microphone"}, "Monitor of Speakers", "source_0"},
        {"the chosen one comes back", [&] { m_lines->recording.append(lineIn); },
         {"Monitor of Speakers", "USB Microphone", "Microphone", "Line In"}, "Line In", "source_2"},
    };
    for (const Step &step : steps) {
        step.change();
        m_lines->emitChanged();
        QVERIFY2(listed() == step.listed, step.what);
        QVERIFY2(list()->currentItem() && list()->currentItem()->text() == step.selected, step.what);
        QVERIFY2(m_chosenSources.last() == step.source, step.what);
        QVERIFY2(m_panel->chosenSource() == "source_2", step.what);
    }

    // A saved choice by name; a name not listed keeps the usual source.
    QVERIFY(m_panel->chooseSource("usb_mic"));
    QCOMPARE(m_chosenSources.last(), QStringLiteral("usb_mic"));
    QCOMPARE(m_panel->selectedLine(), 1);
    list()->setCurrentRow(0);
    QVERIFY(m_panel->chosenSource().isEmpty());
    QVERIFY(!m_panel->chooseSource("gone"));
    QCOMPARE(m_panel->selectedLine(), 0);
}

void MixerLinePanelTest::longNamesStayReadable()
{
    const QString name = QStringLiteral("Monitor of Built-in Audio Analog Stereo, the long-named second card");
    m_lines->recording[1].name = name;
    makePanel();
    m_panel->resize(238, 184);
    QCoreApplication::processEvents();
    QCOMPARE(list()->textElideMode(), Qt::ElideMiddle);
    QVERIFY2(list()->width() >= m_panel->width() - 4, "the list takes the panel's width");
    QCOMPARE(list()->item(1)->toolTip(), name);
    QCOMPARE(list()->item(1)->data(Qt::AccessibleDescriptionRole).toString(), name);
}

QTEST_MAIN(MixerLinePanelTest)
#include "MixerLinePanelTest.moc"
