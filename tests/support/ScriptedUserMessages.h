#pragma once

#include "platform/UserMessages.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// Message boxes that answer at once: records every message and answers ask() from a
// script of queued answers (then from a default). An observer sees each message while it
// is "open", so a test can check what the window showed behind it. A box shown without
// waiting is recorded as the kind of its tone, marked as one that nothing waited for.
class ScriptedUserMessages final : public UserMessages
{
public:
    enum class Kind { Inform, Notice, Warn, Ask, AskToSave };

    struct Message
    {
        Kind kind;
        QString text;
        QPointer<QWidget> parent;
        bool waited = true;
    };

    void inform(QWidget *parent, const QString &text) override;
    void notice(QWidget *parent, const QString &text) override;
    void warn(QWidget *parent, const QString &text) override;
    bool ask(QWidget *parent, const QString &text) override;
    SaveChoice askToSave(QWidget *parent, const QString &text) override;
    void showWithoutWaiting(QWidget *parent, Tone tone, const QString &text) override;

    const QList<Message> &messages() const { return m_messages; }
    QStringList texts() const;
    void clear() { m_messages.clear(); }

    void queueAnswer(bool yes) { m_answers.append(yes); }
    void setDefaultAnswer(bool yes) { m_defaultAnswer = yes; }
    // Answers to askToSave(); without one it goes back.
    void queueSaveChoice(SaveChoice choice) { m_saveChoices.append(choice); }
    void setObserver(std::function<void(const Message &)> observer) { m_observer = std::move(observer); }

private:
    void record(Kind kind, QWidget *parent, const QString &text, bool waited = true);

    QList<Message> m_messages;
    QList<bool> m_answers;
    bool m_defaultAnswer = false;
    QList<SaveChoice> m_saveChoices;
    std::function<void(const Message &)> m_observer;
};
