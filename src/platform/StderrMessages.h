#pragma once

#include "platform/UserMessages.h"

#include <cstdio>

// The messages of a program without a display: each becomes one line on the standard
// error stream, which the journal keeps when a service manager runs the program. The
// program's own events are told the same way, through line().
//
// Contract: UI thread; never waits for anybody. Nobody can answer a question, so ask()
// answers No and askToSave() goes back: whatever was about to happen does not.
class StderrMessages final : public UserMessages
{
public:
    // `stream` is the standard error stream unless a test gives another.
    explicit StderrMessages(std::FILE *stream = stderr);

    // Writes `text` as one line: its line breaks become spaces.
    void line(const QString &text);

    void inform(QWidget *parent, const QString &text) override;
    void notice(QWidget *parent, const QString &text) override;
    void warn(QWidget *parent, const QString &text) override;
    bool ask(QWidget *parent, const QString &text) override;
    void showWithoutWaiting(QWidget *parent, Tone tone, const QString &text) override;

private:
    std::FILE *m_stream;
};
