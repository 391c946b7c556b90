#include "platform/StderrMessages.h"

#include <QRegularExpression>

StderrMessages::StderrMessages(std::FILE *stream)
    : m_stream(stream)
{
}

void StderrMessages::line(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*\\n\\s*"));
    const QString flat = QString(text).replace(breaks, QStringLiteral(" ")).trimmed();
    std::fputs((flat + QLatin1Char('\n')).toLocal8Bit().constData(), m_stream);
    // Line by line, also when stderr is a pipe to the journal.
    std::fflush(m_stream);
}

void StderrMessages::inform(QWidget *, const QString &text)
{
    line(text);
}

void StderrMessages::notice(QWidget *, const QString &text)
{
    line(text);
}

void StderrMessages::warn(QWidget *, const QString &text)
{
    line(QStringLiteral("Warning: ") + text);
}

bool StderrMessages::ask(QWidget *, const QString &text)
{
    line(text + QStringLiteral(" (Nobody can answer without a display: no.)"));
    return false;
}

void StderrMessages::showWithoutWaiting(QWidget *parent, Tone tone, const QString &text)
{
    if (tone == Tone::Warning)
        warn(parent, text);
    else
        line(text);
}
