#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

// Keeps the program to one instance per desktop session, through a name on the session
// bus. The first start claims the name and receives what later starts hand it; a later
// start finds the name taken and hands its arguments to its holder instead of running.
//
// Contract: UI thread. claim() blocks on the bus for a moment (at most the timeout of one
// call); requests arrive as the `requested` signal from the event loop, after the bus call
// that brought them has been answered, so a message box that a request opens never keeps
// the later start waiting.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.sonivale.Sonivale.Instance")

public:
    static constexpr const char *serviceName = "org.sonivale.Sonivale";
    static constexpr const char *objectPath = "/org/sonivale/Sonivale";
    static constexpr const char *interfaceName = "org.sonivale.Sonivale.Instance";

    enum class Role {
        Alone,          // no session bus: run without one
        First,          // the name is ours: run, and take later starts' requests
        HandedOver,     // another instance took the arguments: end with status 0
        NoAnswer,       // another instance holds the name but did not take them
    };

    explicit SingleInstance(QDBusConnection bus, QObject *parent = nullptr);

    // Claims the name, or hands `arguments` to the instance that holds it. `error` says
    // why a hand-over failed.
    Role claim(const QStringList &arguments, QString *error = nullptr);

public slots:
    // Called over the bus by a later start.
    Q_SCRIPTABLE void Handle(const QStringList &arguments);

signals:
    void requested(const QStringList &arguments);

private:
    Role handOver(const QStringList &arguments, QString *error);

    QDBusConnection m_bus;
};
