#pragma once

#include <QString>

class QWidget;

// The desktop's file dialogs.
//
// Contract: UI thread only; blocks until the user closes the dialog (a scripted
// implementation answers at once). `filter` is in Qt's notation ("Mix Files (*.smf)");
// the result is the chosen path, or an empty string when the user cancelled.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    virtual QString openFile(QWidget *parent, const QString &folder, const QString &filter) = 0;
    virtual QString saveFile(QWidget *parent, const QString &folder, const QString &filter) = 0;
};
