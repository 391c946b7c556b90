#include "platform/windows/QtFileDialogs.h"

#include <QFileDialog>

QString QtFileDialogs::openFile(QWidget *parent, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
}

QString QtFileDialogs::saveFile(QWidget *parent, const QString &folder, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, QString(), folder, filter);
}
