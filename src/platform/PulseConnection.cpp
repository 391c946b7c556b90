#include "platform/PulseConnection.h"

#include "platform/PulseOperation.h"

#include <pulse/context.h>
#include <pulse/thread-mainloop.h>

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace {

constexpr int retryIntervalMs = 1000;

pa_subscription_mask_t maskOf(pa_subscription_event_type_t type)
{
    // Each facility's mask bit stands at the facility's number.
    return static_cast<pa_subscription_mask_t>(1u << (type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK));
}

}

PulseConnection::PulseConnection(std::string clientName, QObject *parent)
    : QObject(parent)
    , m_clientName(std::move(clientName))
    , m_retry([this] { reconnect(); })
    , m_lateClients([this] { tellLateClients(); })
{
}

PulseConnection::~PulseConnection()
{
    if (!m_mainloop)
        return;
    pa_threaded_mainloop_stop(m_mainloop);
    m_retry.cancel();
    m_lateClients.cancel();
    dropContext();
    pa_threaded_mainloop_free(m_mainloop);
}

bool PulseConnection::start()
{
    if (m_mainloop)
        return true;
    m_mainloop = pa_threaded_mainloop_new();
    if (!m_mainloop)
        return false;
    if (pa_threaded_mainloop_start(m_mainloop) < 0) {
        pa_threaded_mainloop_free(m_mainloop);
        m_mainloop = nullptr;
        return false;
    }
    Lock lock(*this);
    connectContext();
    return true;
}

bool PulseConnection::waitUntilSettled(int timeoutMs)
{
    if (!m_mainloop)
        return false;
    QElapsedTimer clock;
    clock.start();
    Lock lock(*this);
    // The state callback signals the loop; a short timed wait keeps the deadline even
    // when no signal comes.
    while (!m_settled.load() && clock.elapsed() < timeoutMs) {
        pa_threaded_mainloop_unlock(m_mainloop);
        QThread::msleep(2);
        pa_threaded_mainloop_lock(m_mainloop);
    }
    return m_ready.load();
}

void PulseConnection::attach(Client &client)
{
    const auto add = [&] {
        const bool known = std::any_of(m_clients.begin(), m_clients.end(),
                                       [&](const Attached &a) { return a.client == &client; });
        if (!known)
            m_clients.push_back({&client, false});
        return !known;
    };
    if (!m_mainloop) {
        add();
        return;
    }
    Lock lock(*this);
    // The client hears of a ready context on the loop thread, like every client.
    if (add() && m_ready.load())
        m_lateClients.start(pa_threaded_mainloop_get_api(m_mainloop), 0);
}

void PulseConnection::detach(Client &client)
{
    const auto remove = [&] {
        std::erase_if(m_clients, [&](const Attached &a) { return a.client == &client; });
    };
    if (!m_mainloop) {
        remove();
        return;
    }
    Lock lock(*this);
    remove();
    for (PulseOperation &operation : client.m_requests)
        operation.cancel();
    client.m_requests.clear();
}

void PulseConnection::connectContext()
{
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), m_clientName.c_str());
    if (!m_context) {
        m_settled = true;
        m_retry.start(pa_threaded_mainloop_get_api(m_mainloop), retryIntervalMs);
        return;
    }
    pa_context_set_state_callback(m_context, &PulseConnection::stateCallback, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        onState();
}

void PulseConnection::dropContext()
{
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

void PulseConnection::stateCallback(pa_context *, void *self)
{
    static_cast<PulseConnection *>(self)->onState();
}

void PulseConnection::onState()
{
    switch (pa_context_get_state(m_context)) {
    case PA_CONTEXT_READY:
        onReady();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        onLost();
        m_retry.start(pa_threaded_mainloop_get_api(m_mainloop), retryIntervalMs);
        break;
    default:
        break;
    }
}

void PulseConnection::onReady()
{
    m_ready = true;
    m_settled = true;
    m_subscribed = PA_SUBSCRIPTION_MASK_NULL;
    pa_context_set_subscribe_callback(m_context, &PulseConnection::eventCallback, this);
    for (Attached &attached : m_clients)
        attached.told = false;
    tellLateClients();
    QMetaObject::invokeMethod(this, &PulseConnection::connected, Qt::QueuedConnection);
}

void PulseConnection::onLost()
{
    m_lateClients.cancel();
    if (!m_ready.exchange(false)) {
        m_settled = true;
        return;
    }
    m_settled = true;
    for (Attached &attached : m_clients) {
        if (std::exchange(attached.told, false))
            attached.client->connectionLost();
    }
}

// Subscribes first, so that nothing changes unseen between a client's first fetch and
// its first event.
void PulseConnection::tellLateClients()
{
    if (!m_ready.load())
        return;
    subscribe();
    // A client may attach to another while it is told; the list is walked by position.
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        if (m_clients[i].told)
            continue;
        m_clients[i].told = true;
        m_clients[i].client->connectionReady(m_context);
    }
}

void PulseConnection::subscribe()
{
    unsigned wanted = PA_SUBSCRIPTION_MASK_NULL;
    for (const Attached &attached : m_clients)
        wanted |= attached.client->subscriptions();
    const auto mask = static_cast<pa_subscription_mask_t>(wanted);
    if (mask == m_subscribed)
        return;
    m_subscribed = mask;
    PulseOperation::sent(pa_context_subscribe(m_context, mask, nullptr, nullptr));
}

void PulseConnection::eventCallback(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index,
                                    void *self)
{
    auto *connection = static_cast<PulseConnection *>(self);
    const pa_subscription_mask_t mask = maskOf(type);
    for (const Attached &attached : connection->m_clients) {
        if (attached.told && (attached.client->subscriptions() & mask))
            attached.client->serverEvent(context, type, index);
    }
}

void PulseConnection::reconnect()
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return;
    dropContext();
    connectContext();
}

bool PulseConnection::Client::request(pa_operation *operation)
{
    std::erase_if(m_requests, [](const PulseOperation &o) { return !o.isRunning(); });
    PulseOperation owned(operation);
    if (!owned)
        return false;
    m_requests.push_back(std::move(owned));
    return true;
}

PulseConnection::Lock::Lock(const PulseConnection &connection)
    : m_mainloop(connection.m_mainloop)
{
    pa_threaded_mainloop_lock(m_mainloop);
}

PulseConnection::Lock::~Lock()
{
    pa_threaded_mainloop_unlock(m_mainloop);
}
