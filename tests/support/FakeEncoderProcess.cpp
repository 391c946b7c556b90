#include "FakeEncoderProcess.h"

#include <QFile>
#include <QMetaObject>

void FakeEncoderProcess::start(const QString &program, const QStringList &arguments)
{
    m_program = program;
    m_arguments = arguments;
    m_started = true;
}

void FakeEncoderProcess::kill()
{
    m_killed = true;
    finishLater(-1, QStringLiteral("The program was killed."));
}

void FakeEncoderProcess::succeed(const QByteArray &mp3)
{
    QFile output(m_arguments.value(1));
    if (output.open(QIODevice::WriteOnly))
        output.write(mp3);
    output.close();
    finishLater(0, QString());
}

void FakeEncoderProcess::exitWith(int exitCode)
{
    finishLater(exitCode, QString());
}

void FakeEncoderProcess::finishLater(int exitCode, const QString &failure)
{
    QMetaObject::invokeMethod(this, [this, exitCode, failure] { emit finished(exitCode, failure); },
                              Qt::QueuedConnection);
}
