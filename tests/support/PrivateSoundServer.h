#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A sound server of the kind this test run uses (SONIVALE_TEST_SERVER: "pulseaudio", the
// default, or "pipewire"), private to one test, so that stopping it or unloading its sink
// disturbs no other test. It has one null sink, `sink`, as its default sink; PULSE_SERVER
// points at it from start() until the object is destroyed.
class PrivateSoundServer
{
public:
    explicit PrivateSoundServer(QString sink);
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer &) = delete;
    PrivateSoundServer &operator=(const PrivateSoundServer &) = delete;

    // Starts (or restarts) the server and waits until it answers with its sink in place.
    bool start();
    // Stops every daemon of the server and waits until they are gone.
    void stop();

    static QString kind();
    bool isPipeWire() const { return kind() == QLatin1String("pipewire"); }

private:
    bool runScript(const QStringList &arguments, QByteArray *output = nullptr) const;

    QString m_sink;
    QTemporaryDir m_runtime;
    QByteArray m_previousServer;
    bool m_started = false;
};
