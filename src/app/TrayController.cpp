#include "app/TrayController.h"

#include "product/ProductInfo.h"

#include <QWidget>

TrayController::TrayController(QWidget &console, TrayIcon &icon, QObject *parent)
    : QObject(parent)
    , m_console(console)
    , m_icon(icon)
{
    connect(&m_icon, &TrayIcon::activated, this, &TrayController::onActivated);
}

void TrayController::addIcon()
{
    m_icon.setToolTip(toolTip());
    m_icon.show();
}

void TrayController::setStatus(const QString &status)
{
    m_status = status;
    m_icon.setToolTip(toolTip());
}

QString TrayController::toolTip() const
{
    const QString title = QString::fromUtf8(ProductInfo::title);
    return m_status.isEmpty() ? title : title + QLatin1Char('\n') + m_status;
}

void TrayController::removeIcon()
{
    m_icon.hide();
}

void TrayController::retire()
{
    m_retired = true;
    m_icon.hide();
}

void TrayController::sendToTray()
{
    if (m_retired)
        return;
    if (iconCanRestore())
        m_console.hide();
    else
        m_console.showMinimized();
}

void TrayController::restore()
{
    if (m_retired)
        return;
    m_console.setWindowState(m_console.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    m_console.show();
    m_console.raise();
    m_console.activateWindow();
}

void TrayController::startInTrayCheck(bool startInTrayTicked)
{
    if (m_startCheckDone)
        return;
    m_startCheckDone = true;
    if (startInTrayTicked)
        sendToTray();
}

bool TrayController::iconCanRestore() const
{
    return m_icon.available() && m_icon.isShown();
}

void TrayController::onActivated(TrayIcon::Activation reason)
{
    switch (reason) {
    case TrayIcon::Activation::DoubleClick:
        restore();
        return;
    case TrayIcon::Activation::Trigger:
        // Hosts that report only single activations need it to restore; on a console in
        // plain sight a single click is left alone, since it is also the first half of
        // every double-click.
        if (consoleOutOfSight())
            restore();
        return;
    case TrayIcon::Activation::Context:
    case TrayIcon::Activation::Other:
        return;
    }
}

bool TrayController::consoleOutOfSight() const
{
    return m_console.isHidden() || m_console.isMinimized();
}
