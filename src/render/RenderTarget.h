#pragma once

#include <QString>

// The file a render writes: a temporary file beside the target, which takes the target's
// name only once it is complete and on the disk, so that a failed or cancelled render
// leaves nothing behind and never a half-written file under the chosen name.
//
// Any thread, one at a time. Blocks on the file system.
class RenderTarget
{
public:
    explicit RenderTarget(QString targetPath);
    // Removes the temporary file unless it was committed.
    ~RenderTarget();
    RenderTarget(const RenderTarget &) = delete;
    RenderTarget &operator=(const RenderTarget &) = delete;

    // Creates the temporary file. False and `reason` set ("the folder "/x" does not
    // exist", "Permission denied") when it cannot be made.
    bool create(QString *reason);
    int fileDescriptor() const { return m_fd; }
    const QString &temporaryPath() const { return m_temporaryPath; }

    // Puts the data on the disk and gives the file the target's name, replacing any file
    // there. False and `reason` set otherwise; the temporary file is then removed.
    bool commit(QString *reason);
    void discard();

private:
    void closeFile();

    QString m_targetPath;
    QString m_temporaryPath;
    int m_fd = -1;
};
