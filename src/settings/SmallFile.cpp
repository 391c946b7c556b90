#include "settings/SmallFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Status = SmallFile::Status;
using Result = SmallFile::Result;

Result failure(Status status, const QString &reason)
{
    Result result;
    result.status = status;
    result.reason = reason;
    return result;
}

Result systemFailure(int error)
{
    return failure(Status::Unreadable,
                   QStringLiteral("it could not be read (%1)").arg(QString::fromLocal8Bit(std::strerror(error))));
}

QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}

Result checkKind(const struct stat &info, qint64 limit)
{
    if (!S_ISREG(info.st_mode))
        return failure(Status::NotRegular, QStringLiteral("it is not a regular file but %1").arg(kindOf(info.st_mode)));
    if (info.st_size > limit) {
        return failure(Status::TooLarge, QStringLiteral("it holds %1 bytes, more than the %2 bytes such a file can hold")
                                             .arg(qint64(info.st_size))
                                             .arg(limit));
    }
    return Result{Status::Read, {}, {}};
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

}

SmallFile::Result SmallFile::read(const QString &path, qint64 limit)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info{};
    // Checked before opening, so that not even an open reaches a device or a FIFO.
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        struct stat link{};
        if (error == ENOENT && ::lstat(name.constData(), &link) != 0)
            return failure(Status::Missing, QStringLiteral("it does not exist"));
        return systemFailure(error);
    }
    if (Result kind = checkKind(info, limit); !kind.ok())
        return kind;

    // Non-blocking, in case the file was swapped for a FIFO since the check.
    const Descriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        return systemFailure(errno);
    if (::fstat(file.get(), &info) != 0)
        return systemFailure(errno);
    if (Result kind = checkKind(info, limit); !kind.ok())
        return kind;

    // One byte beyond the bound tells a file that grew since the check.
    Result result;
    result.content.resize(limit + 1);
    qint64 done = 0;
    while (done < result.content.size()) {
        const ssize_t got = ::read(file.get(), result.content.data() + done, size_t(result.content.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return systemFailure(errno);
        if (got == 0)
            break;
        done += got;
    }
    if (done > limit)
        return failure(Status::TooLarge, QStringLiteral("it holds more than the %1 bytes such a file can hold").arg(limit));
    result.content.resize(done);
    result.status = Status::Read;
    return result;
}
