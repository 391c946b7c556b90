#include "BadFiles.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace BadFiles {

bool makeAt(const QString &path, const QByteArray &kind, const QByteArray &hugeStart)
{
    const QByteArray name = QFile::encodeName(path);
    if (kind == "<missing>")
        return true;
    if (kind == "<folder>")
        return QDir().mkdir(path);
    if (kind == "<fifo>")
        return mkfifo(name.constData(), 0600) == 0;
    if (kind == "<zero>")
        return QFile::link(QStringLiteral("/dev/zero"), path);
    if (kind == "<loop>")
        return symlink(name.constData(), name.constData()) == 0;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (kind == "<huge>")
        return file.write(hugeStart) == hugeStart.size() && file.resize(hugeSize);
    return file.write(kind) == kind.size();
}

}
