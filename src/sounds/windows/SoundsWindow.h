#pragma once

#include "engine/ChannelTable.h"

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QPushButton;
class SoundChooser;

// "Sounds": for each channel, the sound it plays, to change or to restore. A thin view of
// the chooser: every change goes to it, and every row shows what it says.
class SoundsWindow : public QDialog
{
    Q_OBJECT

public:
    // Asks for a file for `channel` and hands it to the chooser; false when nothing changed.
    using FileChooser = std::function<bool(int channel, QWidget *parent)>;

    static const char *const mixNote;

    SoundsWindow(SoundChooser &chooser, FileChooser chooseFile, QWidget *parent = nullptr);

    QComboBox *soundBox(int channel) const { return m_rows[index(channel)].sounds; }
    QPushButton *restoreButton(int channel) const { return m_rows[index(channel)].restore; }

private:
    struct Row
    {
        QComboBox *sounds = nullptr;
        QPushButton *restore = nullptr;
    };

    static std::size_t index(int channel) { return static_cast<std::size_t>(channel - 1); }
    void showRow(int channel);
    void picked(int channel, int item);

    SoundChooser &m_chooser;
    FileChooser m_chooseFile;
    std::array<Row, ChannelTable::channelCount> m_rows;
};
