#include "platform/QtEncoderProcess.h"

QtEncoderProcess::QtEncoderProcess(QObject *parent)
    : EncoderProcess(parent)
{
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    connect(&m_process, &QProcess::readyReadStandardError, this,
            [this] { emit errorOutput(m_process.readAllStandardError()); });
    connect(&m_process, &QProcess::errorOccurred, this, &QtEncoderProcess::onErrorOccurred);
    connect(&m_process, &QProcess::finished, this, &QtEncoderProcess::onFinished);
}

QtEncoderProcess::~QtEncoderProcess()
{
    // A run that is dropped is ended here, quietly, before its owner lets go of the output.
    m_done = true;
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

void QtEncoderProcess::start(const QString &program, const QStringList &arguments)
{
    m_process.start(program, arguments, QIODevice::ReadOnly);
}

void QtEncoderProcess::kill()
{
    m_process.kill();
}

void QtEncoderProcess::onErrorOccurred(QProcess::ProcessError error)
{
    // Every other error ends in finished(), which reports it.
    if (error != QProcess::FailedToStart || m_done)
        return;
    m_done = true;
    emit finished(-1, tr("The program could not be started: %1").arg(m_process.errorString()));
}

void QtEncoderProcess::onFinished(int exitCode, QProcess::ExitStatus status)
{
    if (m_done)
        return;
    m_done = true;
    const QByteArray rest = m_process.readAllStandardError();
    if (!rest.isEmpty())
        emit errorOutput(rest);
    if (status == QProcess::CrashExit)
        emit finished(exitCode, tr("The program stopped unexpectedly."));
    else
        emit finished(exitCode, QString());
}
