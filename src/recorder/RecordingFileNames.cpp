#include "recorder/RecordingFileNames.h"

#include <QFileInfo>

namespace RecordingFileNames {

bool fileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool hasSpace(const QString &path)
{
    return path.contains(QLatin1Char(' '));
}

QString getShortName(const QString &path)
{
    return path;
}

QString getPath(const QString &path)
{
    return QFileInfo(path).path();
}

}
