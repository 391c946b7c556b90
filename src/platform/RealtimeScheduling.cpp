#include "platform/RealtimeScheduling.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <sched.h>
#include <sys/resource.h>

namespace {

constexpr int dbusTimeoutMs = 250;
// RealtimeKit gives real-time only to processes that limit their real-time CPU time; a
// thread that spins past it is stopped by the kernel rather than freezing the desktop.
constexpr rlim_t realtimeCpuLimitUs = 200000;

bool setDirectly(pid_t thread, int priority)
{
    sched_param parameters{};
    parameters.sched_priority = priority;
    return sched_setscheduler(thread, SCHED_FIFO | SCHED_RESET_ON_FORK, &parameters) == 0;
}

bool limitRealtimeCpu()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return false;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= realtimeCpuLimitUs) {
        limit.rlim_cur = limit.rlim_max;
    } else {
        limit.rlim_cur = realtimeCpuLimitUs;
        limit.rlim_max = realtimeCpuLimitUs;
    }
    return setrlimit(RLIMIT_RTTIME, &limit) == 0;
}

bool askRealtimeKit(pid_t thread, int priority)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !limitRealtimeCpu())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.RealtimeKit1"),
                                                       QStringLiteral("/org/freedesktop/RealtimeKit1"),
                                                       QStringLiteral("org.freedesktop.RealtimeKit1"),
                                                       QStringLiteral("MakeThreadRealtime"));
    call << quint64(thread) << quint32(priority);
    return bus.call(call, QDBus::Block, dbusTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

}

namespace RealtimeScheduling {

bool makeRealtime(pid_t thread, int priority)
{
    return setDirectly(thread, priority) || askRealtimeKit(thread, priority);
}

}
