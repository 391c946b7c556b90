#include "platform/windows/QtTrayIcon.h"

#include <QMenu>

QtTrayIcon::QtTrayIcon(const QIcon &icon, QMenu *contextMenu, QObject *parent)
    : TrayIcon(parent)
    , m_icon(icon, this)
{
    m_icon.setContextMenu(contextMenu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, &QtTrayIcon::forward);
}

bool QtTrayIcon::available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::show()
{
    m_icon.show();
}

void QtTrayIcon::hide()
{
    m_icon.hide();
}

bool QtTrayIcon::isShown() const
{
    return m_icon.isVisible();
}

void QtTrayIcon::setToolTip(const QString &text)
{
    m_icon.setToolTip(text);
}

QMenu *QtTrayIcon::contextMenu() const
{
    return m_icon.contextMenu();
}

void QtTrayIcon::forward(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        emit activated(Activation::DoubleClick);
        return;
    case QSystemTrayIcon::Trigger:
        emit activated(Activation::Trigger);
        return;
    case QSystemTrayIcon::Context:
        emit activated(Activation::Context);
        return;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
    emit activated(Activation::Other);
}
