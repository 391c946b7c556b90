#pragma once

#include "platform/EncoderProcess.h"

// An encoder run that the test plays: it remembers how it was started and reports output
// and its end when told. Its end arrives from the event loop, as a real process's does.
class FakeEncoderProcess final : public EncoderProcess
{
    Q_OBJECT

public:
    using EncoderProcess::EncoderProcess;

    void start(const QString &program, const QStringList &arguments) override;
    void kill() override;

    bool isStarted() const { return m_started; }
    bool wasKilled() const { return m_killed; }
    QString program() const { return m_program; }
    QStringList arguments() const { return m_arguments; }

    void writeError(const QByteArray &bytes) { emit errorOutput(bytes); }
    // Writes `mp3` to the output argument, then exits with 0.
    void succeed(const QByteArray &mp3 = QByteArrayLiteral("ID3 fake mp3 data"));
    void exitWith(int exitCode);

private:
    void finishLater(int exitCode, const QString &failure);

    QString m_program;
    QStringList m_arguments;
    bool m_started = false;
    bool m_killed = false;
};
