#include "platform/TakeStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sndfile.h>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 copyChunkBytes = 1 << 20;
const QString recordingFileName = QStringLiteral("recording.wav");
const QString lockFileName = QStringLiteral("in-use.lock");
const QString folderPattern = QStringLiteral("capture-*");

// Only a dead or vanished owner frees a folder; a take may run for hours.
bool heldByRunningProgram(const QString &folder)
{
    QLockFile lock(QDir(folder).filePath(lockFileName));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

std::optional<LeftTake> takeIn(const QString &folder)
{
    const QString path = QDir(folder).filePath(recordingFileName);
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return std::nullopt;
    sf_close(file);
    const qint64 frameBytes = info.channels * ((info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 ? 1 : 2);
    if (info.frames <= 0)
        return std::nullopt;
    return LeftTake{path, QFileInfo(path).lastModified(), info.frames * frameBytes};
}

// A finished take never changes again, so on the same file system the saved file can
// share its data: a hard link beside the target, renamed over it, saves an hour-long take
// at once and as atomically as a copy would.
bool linkRecording(const QString &from, const QString &to)
{
    const QByteArray part = QFile::encodeName(to + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid()));
    if (::link(QFile::encodeName(from).constData(), part.constData()) != 0)
        return false;
    if (::rename(part.constData(), QFile::encodeName(to).constData()) != 0) {
        ::unlink(part.constData());
        return false;
    }
    return true;
}

}

QString TakeStore::defaultRoot()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return QDir().mkpath(cache) ? cache : QDir::tempPath();
}

TakeStore::TakeStore(QString root)
    : m_root(std::move(root))
{
}

TakeStore::~TakeStore() = default;

QString TakeStore::root() const
{
    return m_root.isEmpty() ? defaultRoot() : m_root;
}

bool TakeStore::open()
{
    close();
    auto folder = std::make_unique<QTemporaryDir>(QDir(root()).filePath(QStringLiteral("capture-XXXXXX")));
    if (!folder->isValid())
        return false;
    auto lock = std::make_unique<QLockFile>(folder->filePath(lockFileName));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_folder = std::move(folder);
    m_lock = std::move(lock);
    return true;
}

void TakeStore::close()
{
    m_lock.reset();
    m_folder.reset();
}

QString TakeStore::takePath() const
{
    return m_folder ? m_folder->filePath(recordingFileName) : QString();
}

void TakeStore::keep()
{
    if (!m_folder)
        return;
    // Without its lock the folder reads as left behind by a run that has ended.
    m_folder->setAutoRemove(false);
    close();
}

QStringList TakeStore::abandonedFolders() const
{
    QStringList folders;
    const QString own = m_folder ? QFileInfo(m_folder->path()).canonicalFilePath() : QString();
    QDirIterator it(root(), {folderPattern}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    while (it.hasNext()) {
        const QString folder = it.next();
        if (QFileInfo(folder).canonicalFilePath() != own && !heldByRunningProgram(folder))
            folders.append(folder);
    }
    return folders;
}

std::optional<LeftTake> TakeStore::leftTake() const
{
    std::optional<LeftTake> newest;
    for (const QString &folder : abandonedFolders()) {
        const std::optional<LeftTake> take = takeIn(folder);
        if (take && (!newest || take->recordedAt > newest->recordedAt))
            newest = take;
    }
    return newest;
}

std::optional<LeftTake> TakeStore::recoverLeftTake()
{
    std::optional<LeftTake> take = leftTake();
    if (!m_folder || !take || !QFile::rename(take->filePath, takePath()))
        return std::nullopt;
    take->filePath = takePath();
    return take;
}

void TakeStore::removeLeftTakes()
{
    for (const QString &folder : abandonedFolders())
        QDir(folder).removeRecursively();
}

bool TakeStore::save(const QString &from, const QString &to, QString *error)
{
    if (linkRecording(from, to))
        return true;
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = tr("The recording could not be read: %1").arg(source.errorString());
        return false;
    }
    // QSaveFile writes beside the target and renames only after the last byte, so an
    // old file of that name survives any failure.
    QSaveFile target(to);
    const auto fail = [&](const QString &reason) {
        *error = tr("The recording could not be saved as \"%1\": %2").arg(to, reason);
        return false;
    };
    // Unbuffered, so that a disk that fills up fails a write here rather than a flush
    // that the commit might not notice.
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(target.errorString());
    std::vector<char> buffer(copyChunkBytes);
    for (;;) {
        const qint64 read = source.read(buffer.data(), copyChunkBytes);
        if (read < 0)
            return fail(source.errorString());
        if (read == 0)
            break;
        if (target.write(buffer.data(), read) != read)
            return fail(target.errorString());
    }
    if (!target.commit())
        return fail(target.errorString());
    return true;
}
