#pragma once

#include "platform/TrayIcon.h"

#include <QSystemTrayIcon>

class QMenu;

// The tray icon through QSystemTrayIcon (a StatusNotifierItem or an XEmbed icon, as Qt
// finds the desktop). `contextMenu` is shown by the icon itself on a context request; it
// is not owned and must outlive the icon.
class QtTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    QtTrayIcon(const QIcon &icon, QMenu *contextMenu, QObject *parent = nullptr);

    bool available() const override;
    void show() override;
    void hide() override;
    bool isShown() const override;
    void setToolTip(const QString &text) override;

    QMenu *contextMenu() const;

private:
    void forward(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_icon;
};
