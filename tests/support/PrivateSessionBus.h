#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// A D-Bus session bus of the test's own (dbus-daemon --session), never the desktop's;
// stopped again when the object goes.
class PrivateSessionBus
{
public:
    PrivateSessionBus() = default;
    ~PrivateSessionBus();

    // Starts the daemon; false, with the reason in error(), when it does not come up.
    bool start();
    QString address() const { return m_address; }
    QString error() const { return m_error; }
    // The environment with DBUS_SESSION_BUS_ADDRESS pointing at this bus.
    QProcessEnvironment environment() const;

private:
    QProcess m_daemon;
    QString m_address;
    QString m_error;
};
