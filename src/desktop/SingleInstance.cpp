#include "desktop/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace {

constexpr int handOverTimeoutMs = 10000;

}

SingleInstance::SingleInstance(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
}

SingleInstance::Role SingleInstance::claim(const QStringList &arguments, QString *error)
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return Role::Alone;
    // The object is there before the name, so that a start that finds the name can call it.
    m_bus.registerObject(QString::fromLatin1(objectPath), this, QDBusConnection::ExportScriptableSlots);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = m_bus.interface()->registerService(
        QString::fromLatin1(serviceName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Role::First;
    m_bus.unregisterObject(QString::fromLatin1(objectPath));
    if (!reply.isValid())
        return Role::Alone;
    return handOver(arguments, error);
}

SingleInstance::Role SingleInstance::handOver(const QStringList &arguments, QString *error)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
                                                       QString::fromLatin1(interfaceName), QStringLiteral("Handle"));
    call << arguments;
    const QDBusMessage answer = m_bus.call(call, QDBus::Block, handOverTimeoutMs);
    if (answer.type() == QDBusMessage::ReplyMessage)
        return Role::HandedOver;
    if (error)
        *error = answer.errorMessage();
    return Role::NoAnswer;
}

void SingleInstance::Handle(const QStringList &arguments)
{
    QMetaObject::invokeMethod(this, [this, arguments] { emit requested(arguments); }, Qt::QueuedConnection);
}
