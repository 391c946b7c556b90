#pragma once

#include "settings/Preferences.h"

#include <QDialog>

class FileDialogs;
class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimeEdit;
class QWidget;

// Edits the list of scheduled mixes: per entry a clock time, a mix file, a glide length of
// 0 to 60 minutes, once or every day, and whether it is on. "Add…" asks for the mix file.
// OK accepts the list as shown.
//
// The table only shows the entries; the selected one is edited in labelled fields below
// it, which keyboards reach with Tab and screen readers read by their labels (controls
// placed inside table cells are invisible to them).
class ScheduleWindow : public QDialog
{
    Q_OBJECT

public:
    ScheduleWindow(const QList<Preferences::ScheduleEntry> &entries, FileDialogs &dialogs, const QString &mixFolder,
                   QWidget *parent = nullptr);

    QList<Preferences::ScheduleEntry> entries() const { return m_entries; }
    // Adds and selects a row for `entry`, as "Add…" does after its dialog.
    void addEntry(const Preferences::ScheduleEntry &entry);

private:
    QWidget *buildEditor();
    void addFromDialog();
    void removeSelected();
    void selectionMoved();
    // The fields' values into the selected entry and its row.
    void edited();
    void showRow(int row);

    FileDialogs &m_dialogs;
    QString m_mixFolder;
    QList<Preferences::ScheduleEntry> m_entries;
    QTableWidget *m_table = nullptr;
    QPushButton *m_remove = nullptr;
    QWidget *m_editor = nullptr;
    QTimeEdit *m_time = nullptr;
    QSpinBox *m_glide = nullptr;
    QComboBox *m_repeat = nullptr;
    QCheckBox *m_on = nullptr;
    bool m_loading = false;
};
