#include "product/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {

QString &programOverride()
{
    static QString folder;
    return folder;
}

QString &configOverride()
{
    static QString folder;
    return folder;
}

}

QString ProgramPaths::programFolder()
{
    if (!programOverride().isEmpty())
        return programOverride();
    const QString appDir = QCoreApplication::applicationDirPath();
    const QDir installed(QDir(appDir).filePath(QStringLiteral(SONIVALE_INSTALL_DATA_RELATIVE)));
    if (installed.exists())
        return installed.canonicalPath();
    return appDir;
}

QString ProgramPaths::configFolder()
{
    QString folder = configOverride();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(folder);
    return folder;
}

QString ProgramPaths::configFile(const QString &name)
{
    return QDir(configFolder()).filePath(name);
}

void ProgramPaths::overrideFolders(const QString &programFolder, const QString &configFolder)
{
    programOverride() = programFolder;
    configOverride() = configFolder;
}
