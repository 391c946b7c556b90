#include "desktop/MprisService.h"

#include "desktop/MprisPlayerAdaptor.h"
#include "desktop/MprisRootAdaptor.h"
#include "engine/PauseControl.h"
#include "platform/AudioOutput.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>

MprisService::MprisService(QDBusConnection bus, PauseControl &pause, AudioOutput &output, Window window,
                           QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_pause(pause)
    , m_output(output)
    , m_window(std::move(window))
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    connect(&m_pause, &PauseControl::pausedChanged, this,
            [this] { announce(playerInterface, {{QStringLiteral("PlaybackStatus"), playbackStatus()}}); });
    connect(&m_output, &AudioOutput::streamVolumeChanged, this,
            [this](double volume) { announce(playerInterface, {{QStringLiteral("Volume"), volume}}); });
}

MprisService::~MprisService()
{
    if (!m_published)
        return;
    m_bus.unregisterObject(QString::fromLatin1(objectPath));
    m_bus.unregisterService(QString::fromLatin1(busName));
}

bool MprisService::publish()
{
    if (!m_bus.isConnected())
        return false;
    if (!m_bus.registerObject(QString::fromLatin1(objectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    // Another player of this name (another user's session sharing the bus, say) leaves us
    // the per-instance name that MPRIS provides for a second player.
    if (!m_bus.registerService(QString::fromLatin1(busName)) &&
        !m_bus.registerService(QStringLiteral("%1.instance%2").arg(QString::fromLatin1(busName)).arg(QCoreApplication::applicationPid()))) {
        m_bus.unregisterObject(QString::fromLatin1(objectPath));
        return false;
    }
    m_published = true;
    return true;
}

void MprisService::setMixFile(const QString &path)
{
    if (path == m_mixFile)
        return;
    m_mixFile = path;
    announce(playerInterface, {{QStringLiteral("Metadata"), metadata()}});
}

QString MprisService::playbackStatus() const
{
    return m_pause.isPaused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QVariantMap MprisService::metadata() const
{
    const QString title = m_mixFile.isEmpty() ? QString::fromLatin1(defaultTitle) : QFileInfo(m_mixFile).fileName();
    return {
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/sonivale/Sonivale/Mix")))},
        {QStringLiteral("xesam:title"), title},
    };
}

void MprisService::announce(const char *interface, const QVariantMap &changed)
{
    if (!m_published)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(objectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(interface) << changed << QStringList();
    m_bus.send(signal);
}
