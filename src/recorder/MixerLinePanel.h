#pragma once

#include "platform/MixerLines.h"
#include "recorder/RecorderSourcePanel.h"

#include <functional>

class ProgramStarter;
class UserMessages;
class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

// The recorder window's "Select Recording Source" panel: lists the playback or recording
// lines, makes the selected line the current one, mutes it and sets its balance, shows its
// level, and opens the desktop's sound settings. A selected recording line becomes the
// source of the next recording through the source chooser.
//
// Controls given a value by the code run their handlers as a user's change does, except
// the mute box, which sends nothing when the code sets it.
class MixerLinePanel : public RecorderSourcePanel
{
    Q_OBJECT

public:
    // Receives the sound server's name of the recording line just selected.
    using SourceChooser = std::function<void(const QString &sourceName)>;

    static constexpr int balanceRange = 100;

    MixerLinePanel(MixerLines &lines, ProgramStarter &programs, UserMessages &messages,
                   SourceChooser chooseSource, QWidget *parent = nullptr);

    // Reads the lines and ends with the recording lines listed and the first selected.
    void prepare() override;
    bool selectLine(int index) override;
    int selectedLine() const override;
    QString chosenSource() const override { return m_chosenSource; }
    bool chooseSource(const QString &sourceName) override;

private:
    void buildControls();
    void layOutControls();
    void connectControls();
    void onPlaybackToggled(bool checked);
    void onRecordingToggled(bool checked);
    void fillList(MixerLineKind kind);
    QStringList currentNames() const;
    QStringList listedNames() const;
    int rowOfSource(const QString &sourceName) const;
    void selectChosenSource();
    void onLineSelected(int row);
    void onMuteToggled(bool checked);
    void onBalanceChanged(int value);
    void relist();
    void onLinesChanged();
    void refresh();
    void openMixerProperties();
    MixerLineId lineAt(int row) const;
    void showMute(MixerLineId line);

    MixerLines &m_lines;
    ProgramStarter &m_programs;
    UserMessages &m_messages;
    SourceChooser m_chooseSource;
    QString m_chosenSource;
    // Set while the code, not the user, selects a line.
    bool m_selectingByCode = false;

    QLabel *m_caption = nullptr;
    QRadioButton *m_playback = nullptr;
    QRadioButton *m_recording = nullptr;
    QListWidget *m_list = nullptr;
    QCheckBox *m_mute = nullptr;
    QLabel *m_balanceLabel = nullptr;
    QSlider *m_balance = nullptr;
    QLabel *m_levelLabel = nullptr;
    QProgressBar *m_level = nullptr;
    QPushButton *m_openMixer = nullptr;
};
