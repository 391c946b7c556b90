#include "ScriptedUserMessages.h"

#include <QStringList>

void ScriptedUserMessages::inform(QWidget *parent, const QString &text)
{
    record(Kind::Inform, parent, text);
}

void ScriptedUserMessages::notice(QWidget *parent, const QString &text)
{
    record(Kind::Notice, parent, text);
}

void ScriptedUserMessages::warn(QWidget *parent, const QString &text)
{
    record(Kind::Warn, parent, text);
}

bool ScriptedUserMessages::ask(QWidget *parent, const QString &text)
{
    record(Kind::Ask, parent, text);
    return m_answers.isEmpty() ? m_defaultAnswer : m_answers.takeFirst();
}

UserMessages::SaveChoice ScriptedUserMessages::askToSave(QWidget *parent, const QString &text)
{
    record(Kind::AskToSave, parent, text);
    return m_saveChoices.isEmpty() ? SaveChoice::GoBack : m_saveChoices.takeFirst();
}

void ScriptedUserMessages::showWithoutWaiting(QWidget *parent, Tone tone, const QString &text)
{
    const Kind kind = tone == Tone::Warning ? Kind::Warn : tone == Tone::Information ? Kind::Notice : Kind::Inform;
    record(kind, parent, text, false);
}

QStringList ScriptedUserMessages::texts() const
{
    QStringList result;
    for (const Message &message : m_messages)
        result.append(message.text);
    return result;
}

void ScriptedUserMessages::record(Kind kind, QWidget *parent, const QString &text, bool waited)
{
    m_messages.append({kind, text, parent, waited});
    if (m_observer)
        m_observer(m_messages.constLast());
}
