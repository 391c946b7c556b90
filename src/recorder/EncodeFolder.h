#pragma once

#include <QLockFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A folder in the cache where a take waits, as a WAV file, for the MP3 encoder; it is
// removed with the object. While it exists it holds a lock naming this process, so that
// folders left behind by a program that crashed or was killed mid-encoding can be told from
// those in use, and removed before the next take is written.
//
// UI thread; the calls touch the disk but only list and remove small folders.
class EncodeFolder
{
public:
    // A new folder under `base`; check isValid().
    explicit EncodeFolder(const QString &base);

    bool isValid() const { return m_dir.isValid() && m_lock && m_lock->isLocked(); }
    QString errorString() const;
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Removes the folders under `base` whose lock no running process holds any more, with
    // what they hold; folders in use, by this program or another, and folders without the
    // lock, stay.
    static void removeAbandoned(const QString &base);

private:
    // Declared in this order so that the lock goes before its folder.
    QTemporaryDir m_dir;
    std::unique_ptr<QLockFile> m_lock;
};
