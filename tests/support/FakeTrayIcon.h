#pragma once

#include "platform/TrayIcon.h"

// A tray icon whose notification area is there or not as the test says; activate() plays
// the user's action on the icon.
class FakeTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    using TrayIcon::TrayIcon;

    bool available() const override;
    void show() override;
    void hide() override;
    bool isShown() const override;
    void setToolTip(const QString &text) override;

    void setAvailable(bool available);
    void activate(Activation reason);
    QString toolTip() const;

private:
    bool m_available = true;
    bool m_shown = false;
    QString m_toolTip;
};
