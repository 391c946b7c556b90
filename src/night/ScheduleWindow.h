#pragma once

#include "settings/Preferences.h"

#include <QDialog>

class FileDialogs;
class QTableWidget;

// Edits the list of scheduled mixes: per entry a clock time, a mix file, a glide length of
// 0 to 60 minutes, once or every day, and whether it is on. "Add…" asks for the mix file.
// OK accepts the list as shown.
class ScheduleWindow : public QDialog
{
    Q_OBJECT

public:
    ScheduleWindow(const QList<Preferences::ScheduleEntry> &entries, FileDialogs &dialogs, const QString &mixFolder,
                   QWidget *parent = nullptr);

    QList<Preferences::ScheduleEntry> entries() const;
    // Adds a row for `file`, as "Add…" does after its dialog.
    void addEntry(const Preferences::ScheduleEntry &entry);

private:
    void addFromDialog();
    void removeSelected();

    FileDialogs &m_dialogs;
    QString m_mixFolder;
    QTableWidget *m_table = nullptr;
};
