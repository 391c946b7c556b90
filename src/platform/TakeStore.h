#pragma once

#include "platform/CaptureDevice.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QLockFile;
class QTemporaryDir;

// Where takes are kept on disk: each open capture has a folder of its own under a root
// (the cache), marked as in use by a lock file while the program that made it runs. A
// folder whose lock no running program holds is what an earlier run left: a take kept at
// a session's end, or cut off by a crash. Saving a take links it beside the target where
// it can, and copies it otherwise, so a file of that name is replaced whole or not at all.
//
// Threads: the UI thread; saving a take that cannot be linked copies it and so waits for
// the disk.
class TakeStore
{
    Q_DECLARE_TR_FUNCTIONS(TakeStore)

public:
    // The root of the cache, on disk where the /tmp of many desktops lives in memory: a
    // long take must cost disk, and saving it can then link rather than copy.
    static QString defaultRoot();

    // An empty root stands for defaultRoot(), looked up at each use: the cache's place
    // depends on the application's name, which may be set after the store is made.
    explicit TakeStore(QString root = {});
    ~TakeStore();
    TakeStore(const TakeStore &) = delete;
    TakeStore &operator=(const TakeStore &) = delete;

    // Makes a new folder for a take and holds it, letting go of any before; false when no
    // folder can be made or held.
    bool open();
    // Lets go of the folder and removes it with its take.
    void close();
    bool isOpen() const { return m_folder != nullptr; }
    // Where the open folder's take is written.
    QString takePath() const;
    // Lets go of the folder but leaves it, with its take, for leftTake() of a later run.
    void keep();

    // The newest take with sound that an earlier run left and nobody holds any more.
    std::optional<LeftTake> leftTake() const;
    // Moves the left take into the open folder as its take; nothing when there is none or
    // no folder is open.
    std::optional<LeftTake> recoverLeftTake();
    // Removes every folder that earlier runs left, their takes included.
    void removeLeftTakes();

    // Writes the finished take at `from` to `to`, complete or not at all.
    static bool save(const QString &from, const QString &to, QString *error);

private:
    QString root() const;
    QStringList abandonedFolders() const;

    QString m_root;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QLockFile> m_lock;
};
