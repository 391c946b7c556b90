#include "FakeTrayIcon.h"

bool FakeTrayIcon::available() const
{
    return m_available;
}

void FakeTrayIcon::show()
{
    m_shown = true;
}

void FakeTrayIcon::hide()
{
    m_shown = false;
}

bool FakeTrayIcon::isShown() const
{
    return m_shown;
}

void FakeTrayIcon::setToolTip(const QString &text)
{
    m_toolTip = text;
}

void FakeTrayIcon::setAvailable(bool available)
{
    m_available = available;
}

void FakeTrayIcon::activate(Activation reason)
{
    emit activated(reason);
}

QString FakeTrayIcon::toolTip() const
{
    return m_toolTip;
}
