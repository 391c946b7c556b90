#include "recorder/MixerLinePanel.h"

#include "platform/ProgramStarter.h"
#include "platform/UserMessages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>

namespace {

constexpr int levelSteps = 100;
constexpr int levelBarHeight = 12;
constexpr int layoutSpacing = 4;

// The desktop's sound settings, in order of preference.
const char *const soundSettingsPrograms[] = {"pavucontrol", "pavucontrol-qt"};

template <typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}

MixerLinePanel::MixerLinePanel(MixerLines &lines, ProgramStarter &programs, UserMessages &messages,
                               SourceChooser chooseSource, QWidget *parent)
    : RecorderSourcePanel(parent)
    , m_lines(lines)
    , m_programs(programs)
    , m_messages(messages)
    , m_chooseSource(std::move(chooseSource))
{
    buildControls();
    layOutControls();
    connectControls();
}

void MixerLinePanel::buildControls()
{
    m_caption = named(new QLabel(tr("Select Recording Source"), this), "Label11");
    m_playback = named(new QRadioButton(tr("Playback"), this), "optPlayback");
    m_recording = named(new QRadioButton(tr("Recording"), this), "optRecording");
    m_recording->setChecked(true);

    m_list = named(new QListWidget(this), "lstLines");
    m_list->setAccessibleName(tr("Mixer lines"));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Monitors all begin "Monitor of", so the distinguishing end must stay in view.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setWordWrap(false);
    m_caption->setBuddy(m_list);

    m_mute = named(new QCheckBox(tr("Mute"), this), "chkMute");

    m_balanceLabel = named(new QLabel(tr("Balance"), this), "Label13");
    m_balance = named(new QSlider(Qt::Horizontal, this), "sldBalance");
    m_balance->setRange(-balanceRange, balanceRange);
    m_balance->setToolTip(tr("Change This Channels Balance"));
    m_balance->setAccessibleName(tr("Balance of the selected line"));
    m_balanceLabel->setBuddy(m_balance);

    m_levelLabel = named(new QLabel(tr("Level"), this), "Label14");
    m_level = named(new QProgressBar(this), "barLevel");
    m_level->setRange(0, levelSteps);
    m_level->setValue(0);
    m_level->setTextVisible(false);
    m_level->setFixedHeight(levelBarHeight);
    m_level->setAccessibleName(tr("Level of the selected line"));
    m_levelLabel->setBuddy(m_level);

    m_openMixer = named(new QPushButton(tr("Open Mixer Properties"), this), "Command7");
}

void MixerLinePanel::layOutControls()
{
    // The window gives the panel little room: the list shares its height with the line's
    // controls.
    auto *balance = new QHBoxLayout;
    balance->addWidget(m_balanceLabel);
    balance->addWidget(m_balance, 1);
    auto *level = new QHBoxLayout;
    level->addWidget(m_levelLabel);
    level->addWidget(m_level, 1);

    // Line names are long: the list takes the panel's whole width.
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(layoutSpacing);
    layout->addWidget(m_caption, 0, 0, 1, 2);
    layout->addWidget(m_playback, 1, 0);
    layout->addWidget(m_recording, 1, 1);
    layout->addWidget(m_list, 2, 0, 1, 2);
    layout->addWidget(m_mute, 3, 0);
    layout->addLayout(balance, 3, 1);
    layout->addLayout(level, 4, 0, 1, 2);
    layout->addWidget(m_openMixer, 5, 0, 1, 2);
    layout->setRowStretch(2, 1);
}

void MixerLinePanel::connectControls()
{
    connect(m_playback, &QRadioButton::toggled, this, &MixerLinePanel::onPlaybackToggled);
    connect(m_recording, &QRadioButton::toggled, this, &MixerLinePanel::onRecordingToggled);
    connect(m_list, &QListWidget::currentRowChanged, this, &MixerLinePanel::onLineSelected);
    connect(m_mute, &QCheckBox::toggled, this, &MixerLinePanel::onMuteToggled);
    connect(m_balance, &QSlider::valueChanged, this, &MixerLinePanel::onBalanceChanged);
    connect(m_openMixer, &QPushButton::clicked, this, &MixerLinePanel::openMixerProperties);
    connect(&m_lines, &MixerLines::changed, this, &MixerLinePanel::onLinesChanged);
    connect(&m_lines, &MixerLines::linesReplaced, this, &MixerLinePanel::relist);
    connect(&m_lines, &MixerLines::levelChanged, this, [this](double peak) {
        m_level->setValue(static_cast<int>(std::lround(peak * levelSteps)));
    });
}

void MixerLinePanel::prepare()
{
    m_lines.open();
    m_lines.setCurrentLine(m_lines.playbackLineId(0));
    m_playback->setChecked(true);
    m_recording->setChecked(true);
}

bool MixerLinePanel::selectLine(int index)
{
    if (index < 0 || index >= m_list->count())
        return false;
    if (m_list->currentRow() == index)
        onLineSelected(index);
    else
        m_list->setCurrentRow(index);
    return true;
}

bool MixerLinePanel::chooseSource(const QString &sourceName)
{
    m_chosenSource = sourceName;
    const int row = rowOfSource(sourceName);
    if (row < 0 || !m_recording->isChecked())
        return false;
    m_selectingByCode = true;
    selectLine(row);
    m_selectingByCode = false;
    return true;
}

int MixerLinePanel::rowOfSource(const QString &sourceName) const
{
    if (sourceName.isEmpty())
        return -1;
    for (int i = 0; i < m_lines.recordingLineCount(); ++i) {
        if (m_lines.recordingSourceName(m_lines.recordingLineId(i)) == sourceName)
            return i;
    }
    return -1;
}

int MixerLinePanel::selectedLine() const
{
    return m_list->currentRow();
}

void MixerLinePanel::onPlaybackToggled(bool checked)
{
    if (checked)
        fillList(MixerLineKind::Playback);
}

void MixerLinePanel::onRecordingToggled(bool checked)
{
    if (checked)
        fillList(MixerLineKind::Recording);
}

void MixerLinePanel::fillList(MixerLineKind kind)
{
    m_selectingByCode = true;
    m_list->clear();
    const bool playback = kind == MixerLineKind::Playback;
    const int count = playback ? m_lines.playbackLineCount() : m_lines.recordingLineCount();
    for (int i = 0; i < count; ++i) {
        const QString name = playback ? m_lines.playbackLineName(i) : m_lines.recordingLineName(i);
        auto *item = new QListWidgetItem(name, m_list);
        // Long names are elided in the list; the whole name stays at hand.
        item->setToolTip(name);
        item->setData(Qt::AccessibleDescriptionRole, name);
    }
    if (count > 0)
        m_list->setCurrentRow(0);
    m_selectingByCode = false;
}

QStringList MixerLinePanel::currentNames() const
{
    QStringList names;
    const bool playback = m_playback->isChecked();
    const int count = playback ? m_lines.playbackLineCount() : m_lines.recordingLineCount();
    for (int i = 0; i < count; ++i)
        names.append(playback ? m_lines.playbackLineName(i) : m_lines.recordingLineName(i));
    return names;
}

QStringList MixerLinePanel::listedNames() const
{
    QStringList names;
    for (int i = 0; i < m_list->count(); ++i)
        names.append(m_list->item(i)->text());
    return names;
}

void MixerLinePanel::selectChosenSource()
{
    const int row = rowOfSource(m_chosenSource);
    if (row <= 0)
        return;
    m_selectingByCode = true;
    selectLine(row);
    m_selectingByCode = false;
}

void MixerLinePanel::onLineSelected(int row)
{
    if (row < 0)
        return;
    const MixerLineId line = lineAt(row);
    m_lines.setCurrentLine(line);
    if (line.kind == MixerLineKind::Recording) {
        showMute(line);
        const QString source = m_lines.recordingSourceName(line);
        // The first line is the usual one; any other is the user's choice, kept by name.
        if (!m_selectingByCode)
            m_chosenSource = row == 0 ? QString() : source;
        if (m_chooseSource)
            m_chooseSource(source);
    }
    const bool hasBalance = m_lines.hasBalance(line);
    m_balance->setEnabled(hasBalance);
    if (hasBalance)
        m_balance->setValue(m_lines.balance(line));
    refresh();
}

void MixerLinePanel::onMuteToggled(bool checked)
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    m_lines.setControlValue(MixerControl::Mute, checked ? 1 : 0, lineAt(row));
}

void MixerLinePanel::onBalanceChanged(int value)
{
    const MixerLineId line = m_lines.currentLine();
    if (m_lines.hasBalance(line))
        m_lines.setBalance(value, line);
}

void MixerLinePanel::relist()
{
    // Lines came or went, or the server came back and the old identifiers mean nothing:
    // a chosen source is found again by its name, a playback line by its place.
    const int row = m_list->currentRow();
    fillList(m_playback->isChecked() ? MixerLineKind::Playback : MixerLineKind::Recording);
    if (m_recording->isChecked()) {
        selectChosenSource();
    } else if (row > 0) {
        m_selectingByCode = true;
        selectLine(row);
        m_selectingByCode = false;
    }
}

void MixerLinePanel::onLinesChanged()
{
    if (listedNames() != currentNames())
        relist();
    else
        refresh();
}

void MixerLinePanel::refresh()
{
    const MixerLineId line = m_lines.currentLine();
    if (m_lines.hasBalance(line))
        m_balance->setValue(m_lines.balance(line));
    showMute(line);
}

void MixerLinePanel::openMixerProperties()
{
    for (const char *name : soundSettingsPrograms) {
        const QString path = m_programs.findProgram(QString::fromLatin1(name));
        if (path.isEmpty())
            continue;
        if (!m_programs.startDetached(path, {}))
            m_messages.warn(this, tr("The sound settings (%1) could not be started.").arg(QString::fromLatin1(name)));
        return;
    }
    m_messages.notice(this, tr("Install pavucontrol to change the sound settings: sudo apt install pavucontrol"));
}

MixerLineId MixerLinePanel::lineAt(int row) const
{
    return m_playback->isChecked() ? m_lines.playbackLineId(row) : m_lines.recordingLineId(row);
}

void MixerLinePanel::showMute(MixerLineId line)
{
    const QSignalBlocker blocker(m_mute);
    m_mute->setChecked(m_lines.controlValue(MixerControl::Mute, line) != 0);
}
