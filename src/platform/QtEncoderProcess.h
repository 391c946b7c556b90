#pragma once

#include "platform/EncoderProcess.h"

#include <QProcess>

class QtEncoderProcess final : public EncoderProcess
{
    Q_OBJECT

public:
    explicit QtEncoderProcess(QObject *parent = nullptr);
    ~QtEncoderProcess() override;

    void start(const QString &program, const QStringList &arguments) override;
    void kill() override;

private:
    void onErrorOccurred(QProcess::ProcessError error);
    void onFinished(int exitCode, QProcess::ExitStatus status);

    QProcess m_process;
    bool m_done = false;
};
