#include "platform/QtProgramStarter.h"

#include <QProcess>
#include <QStandardPaths>

QString QtProgramStarter::findProgram(const QString &name) const
{
    return QStandardPaths::findExecutable(name);
}

bool QtProgramStarter::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}
