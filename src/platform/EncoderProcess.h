#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

// One run of a command-line encoder in a process of its own.
//
// Contract: UI thread only. start() returns at once and is called once; the program gets
// each argument as one word (no shell). errorOutput() passes on what the program writes to
// its error stream as it arrives, in pieces of any size; its standard input and output are
// empty. finished() follows start() exactly once: `failure` is empty when the program ran
// and exited (then `exitCode` is its exit code), and says why otherwise (it could not be
// started, it crashed, it was killed). kill() ends a run; finished() still follows.
class EncoderProcess : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~EncoderProcess() override = default;

    virtual void start(const QString &program, const QStringList &arguments) = 0;
    virtual void kill() = 0;

signals:
    void errorOutput(const QByteArray &bytes);
    void finished(int exitCode, const QString &failure);
};
