#pragma once

#include "platform/FileDialogs.h"

class QtFileDialogs final : public FileDialogs
{
public:
    QString openFile(QWidget *parent, const QString &folder, const QString &filter) override;
    QString saveFile(QWidget *parent, const QString &folder, const QString &filter) override;
};
