#include "recorder/Mp3Conversion.h"

#include "platform/EncoderProcess.h"
#include "recorder/RecordingFileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace RecordingFileNames;

namespace {

const QRegularExpression progressPattern(QStringLiteral("\\d+\\s*/\\s*\\d+\\s*\\(\\s*(\\d{1,3})%\\)"));
// Terminal control sequences lame adds to redraw its progress table.
const QRegularExpression escapePattern(QStringLiteral("\\x1B\\[[0-9;]*[A-Za-z]"));
const QRegularExpression lineBreak(QStringLiteral("[\\r\\n]"));

}

Mp3Conversion::Mp3Conversion(std::unique_ptr<EncoderProcess> process, const QString &encoder,
                             const QString &wavPath, const QString &mp3Path, QObject *parent)
    : QObject(parent)
    , m_process(std::move(process))
    , m_encoder(encoder)
    , m_wavPath(wavPath)
    , m_mp3Path(mp3Path)
{
    connect(m_process.get(), &EncoderProcess::errorOutput, this, &Mp3Conversion::onErrorOutput);
    connect(m_process.get(), &EncoderProcess::finished, this, &Mp3Conversion::onFinished);
}

Mp3Conversion::~Mp3Conversion()
{
    // The process goes first, so the encoder no longer writes when the part file is removed.
    m_process.reset();
}

std::optional<int> Mp3Conversion::percentIn(const QString &line)
{
    const QRegularExpressionMatch match = progressPattern.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return std::min(match.captured(1).toInt(), 100);
}

bool Mp3Conversion::start(QString *error)
{
    const QFileInfo target(m_mp3Path);
    m_part = std::make_unique<QTemporaryFile>(
        QDir(getPath(m_mp3Path)).filePath(QLatin1Char('.') + target.fileName() + QStringLiteral(".XXXXXX.part")));
    if (!m_part->open()) {
        *error = tr("The folder %1 cannot be written: %2")
                     .arg(QDir::toNativeSeparators(getPath(m_mp3Path)), m_part->errorString());
        m_part.reset();
        return false;
    }
    // The finished MP3 gets the permissions of the file it replaces, or the usual ones.
    m_part->setPermissions(target.exists() ? QFile::permissions(m_mp3Path)
                                           : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    m_part->close();
    const QString input = hasSpace(m_wavPath) ? getShortName(m_wavPath) : m_wavPath;
    const QString output = m_part->fileName();
    m_running = true;
    m_process->start(m_encoder, {input, hasSpace(output) ? getShortName(output) : output});
    return true;
}

void Mp3Conversion::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    m_process->kill();
}

void Mp3Conversion::onErrorOutput(const QByteArray &bytes)
{
    m_pendingLine += QString::fromLocal8Bit(bytes);
    QStringList lines = m_pendingLine.split(lineBreak);
    m_pendingLine = lines.takeLast();
    for (const QString &line : lines)
        takeLine(line);
}

void Mp3Conversion::takeLine(const QString &raw)
{
    const QString line = QString(raw).remove(escapePattern).trimmed();
    if (line.isEmpty())
        return;
    const std::optional<int> percent = percentIn(line);
    if (!percent) {
        m_lastMessage = line;
        return;
    }
    if (*percent == m_percent)
        return;
    m_percent = *percent;
    emit progressChanged(m_percent);
}

void Mp3Conversion::onFinished(int exitCode, const QString &failure)
{
    if (!m_running)
        return;
    m_running = false;
    takeLine(m_pendingLine);
    m_pendingLine.clear();
    QString reason;
    const bool succeeded = !m_cancelled && failure.isEmpty() && exitCode == 0 && putInPlace(&reason);
    if (!succeeded && reason.isEmpty())
        reason = failureReason(exitCode, failure);
    m_part.reset();
    emit finished(succeeded, reason);
}

QString Mp3Conversion::failureReason(int exitCode, const QString &failure) const
{
    if (m_cancelled)
        return tr("The conversion was cancelled.");
    QString reason = failure.isEmpty() ? tr("The encoder stopped with exit code %1.").arg(exitCode) : failure;
    if (!m_lastMessage.isEmpty())
        reason += QLatin1Char('\n') + m_lastMessage;
    return reason;
}

bool Mp3Conversion::putInPlace(QString *error)
{
    const QString part = m_part->fileName();
    if (!fileExists(part) || QFileInfo(part).size() == 0) {
        *error = tr("The encoder finished but wrote no MP3 data.");
        return false;
    }
    // rename() replaces an existing MP3 in one step, so the name never points at a partial file.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(m_mp3Path).constData()) != 0) {
        *error = tr("The MP3 could not be put in place: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_part->setAutoRemove(false);
    return true;
}
