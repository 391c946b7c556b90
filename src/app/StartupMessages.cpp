#include "app/StartupMessages.h"

#include <utility>

StartupMessages::StartupMessages(UserMessages &shown)
    : m_shown(shown)
{
}

void StartupMessages::inform(QWidget *parent, const QString &text)
{
    if (!hold(parent, Tone::Plain, text))
        m_shown.inform(parent, text);
}

void StartupMessages::notice(QWidget *parent, const QString &text)
{
    if (!hold(parent, Tone::Information, text))
        m_shown.notice(parent, text);
}

void StartupMessages::warn(QWidget *parent, const QString &text)
{
    if (!hold(parent, Tone::Warning, text))
        m_shown.warn(parent, text);
}

bool StartupMessages::ask(QWidget *parent, const QString &text)
{
    return m_shown.ask(parent, text);
}

UserMessages::SaveChoice StartupMessages::askToSave(QWidget *parent, const QString &text)
{
    return m_shown.askToSave(parent, text);
}

void StartupMessages::showWithoutWaiting(QWidget *parent, Tone tone, const QString &text)
{
    if (!hold(parent, tone, text))
        m_shown.showWithoutWaiting(parent, tone, text);
}

void StartupMessages::release()
{
    if (!m_holding)
        return;
    m_holding = false;
    const QList<Held> held = std::exchange(m_held, {});
    for (const Held &message : held)
        m_shown.showWithoutWaiting(message.parent, message.tone, message.text);
}

bool StartupMessages::hold(QWidget *parent, Tone tone, const QString &text)
{
    if (m_holding)
        m_held.append({parent, tone, text});
    return m_holding;
}
