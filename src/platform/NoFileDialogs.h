#pragma once

#include "platform/FileDialogs.h"

// The file dialogs of a program without a display: nobody can choose, so each dialog is
// cancelled at once. Files come from the command line instead.
//
// Contract: any thread; never blocks.
class NoFileDialogs final : public FileDialogs
{
public:
    QString openFile(QWidget *, const QString &, const QString &) override { return {}; }
    QString saveFile(QWidget *, const QString &, const QString &) override { return {}; }
};
