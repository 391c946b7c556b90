#include "recorder/EncodeFolder.h"

#include <QDir>

namespace {

const QString folderPattern = QStringLiteral("encode-");
const QString lockName = QStringLiteral(".lock");

}

EncodeFolder::EncodeFolder(const QString &base)
    : m_dir(QDir(base).filePath(folderPattern + QStringLiteral("XXXXXX")))
{
    if (!m_dir.isValid())
        return;
    m_lock = std::make_unique<QLockFile>(m_dir.filePath(lockName));
    // Held as long as the encoding takes: only a process that no longer runs makes it stale.
    m_lock->setStaleLockTime(0);
    m_lock->tryLock();
}

QString EncodeFolder::errorString() const
{
    if (!m_dir.isValid())
        return m_dir.errorString();
    return isValid() ? QString() : QStringLiteral("the folder %1 could not be locked").arg(QDir::toNativeSeparators(m_dir.path()));
}

void EncodeFolder::removeAbandoned(const QString &base)
{
    const QDir folder(base);
    const QStringList names = folder.entryList({folderPattern + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &name : names) {
        QDir abandoned(folder.filePath(name));
        // A folder without the lock is not one of ours.
        if (!abandoned.exists(lockName))
            continue;
        QLockFile lock(abandoned.filePath(lockName));
        lock.setStaleLockTime(0);
        if (!lock.tryLock())
            continue;
        lock.unlock();
        abandoned.removeRecursively();
    }
}
