#pragma once

#include "platform/TrayIcon.h"

#include <QObject>

class QWidget;

// The console's tray behaviour: the icon, sending the console to the tray, bringing it
// back, and the one start-in-tray check after start-up.
//
// The console is never lost: where no notification area exists, or the icon is not in it,
// sending to the tray minimises the console instead of hiding it.
class TrayController : public QObject
{
    Q_OBJECT

public:
    // `console` and `icon` must outlive the controller.
    TrayController(QWidget &console, TrayIcon &icon, QObject *parent = nullptr);

    // Puts the icon with the product's tooltip in the notification area.
    void addIcon();
    // A line under the product name in the tooltip, such as the time a sleep timer has
    // left; empty for none.
    void setStatus(const QString &status);
    // Takes the icon away ("Close").
    void removeIcon();
    // The console has closed: the icon goes, and nothing brings the console back.
    void retire();

    // "Tray": hides the console, or minimises it where the icon cannot bring it back.
    void sendToTray();
    // Shows the console again, neither minimised nor maximised, and in front; a retired
    // controller does nothing.
    void restore();
    // The start-in-tray timer's tick: sends the console to the tray when the option is
    // ticked. Acts on the first call only, so a second tick can never hide the console.
    void startInTrayCheck(bool startInTrayTicked);

private:
    bool iconCanRestore() const;
    void onActivated(TrayIcon::Activation reason);
    bool consoleOutOfSight() const;

    QString toolTip() const;

    QWidget &m_console;
    TrayIcon &m_icon;
    bool m_startCheckDone = false;
    bool m_retired = false;
    QString m_status;
};
