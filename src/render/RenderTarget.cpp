#include "render/RenderTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}

RenderTarget::RenderTarget(QString targetPath)
    : m_targetPath(std::move(targetPath))
{
}

RenderTarget::~RenderTarget()
{
    discard();
}

bool RenderTarget::create(QString *reason)
{
    const QFileInfo target(m_targetPath);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir()) {
        *reason = QStringLiteral("the folder \"%1\" does not exist").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    if (target.isDir()) {
        *reason = QStringLiteral("it is a folder");
        return false;
    }
    // Hidden, and named after the target, so that a file manager shows nothing new until
    // the render is done and a crash leaves a file that says what it was.
    QByteArray pattern = QFile::encodeName(QDir(folder).filePath(QLatin1Char('.') + target.fileName()));
    pattern += ".XXXXXX.part";
    m_fd = ::mkostemps(pattern.data(), 5, O_CLOEXEC);
    if (m_fd < 0) {
        *reason = systemReason(errno);
        return false;
    }
    m_temporaryPath = QFile::decodeName(pattern);
    // As a file created by the user's programs is, not mkstemp's owner-only mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
    return true;
}

bool RenderTarget::commit(QString *reason)
{
    if (m_fd < 0) {
        *reason = QStringLiteral("the file was not created");
        return false;
    }
    int error = ::fsync(m_fd) == 0 ? 0 : errno;
    if (::close(m_fd) != 0 && error == 0)
        error = errno;
    m_fd = -1;
    if (error == 0 && std::rename(QFile::encodeName(m_temporaryPath).constData(),
                                  QFile::encodeName(m_targetPath).constData()) != 0)
        error = errno;
    if (error != 0) {
        *reason = systemReason(error);
        discard();
        return false;
    }
    m_temporaryPath.clear();
    return true;
}

void RenderTarget::discard()
{
    closeFile();
    if (!m_temporaryPath.isEmpty())
        ::unlink(QFile::encodeName(m_temporaryPath).constData());
    m_temporaryPath.clear();
}

void RenderTarget::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
