#pragma once

#include "platform/UserMessages.h"

#include <QStringList>

// Answers every message box at once and remembers its text.
class RecordingMessages final : public UserMessages
{
public:
    void inform(QWidget *, const QString &text) override { m_texts << text; }
    void notice(QWidget *, const QString &text) override { m_texts << text; }
    void warn(QWidget *, const QString &text) override { m_texts << text; }
    bool ask(QWidget *, const QString &text) override
    {
        m_texts << text;
        return m_answer;
    }

    QStringList m_texts;
    bool m_answer = false;
};
