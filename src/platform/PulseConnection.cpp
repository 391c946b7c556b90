#include "platform/PulseConnection.h"

#include <pulse/context.h>
#include <pulse/thread-mainloop.h>

#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr int retryIntervalMs = 1000;

}

PulseConnection::PulseConnection(std::string clientName, QObject *parent)
    : QObject(parent)
    , m_clientName(std::move(clientName))
    , m_retry([this] { reconnect(); })
{
}

PulseConnection::~PulseConnection()
{
    if (!m_mainloop)
        return;
    pa_threaded_mainloop_stop(m_mainloop);
    m_retry.cancel();
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
        m_ready = true;
        m_settled = true;
        if (m_readyHandler)
            m_readyHandler(m_context);
        QMetaObject::invokeMethod(this, &PulseConnection::connected, Qt::QueuedConnection);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: {
        const bool wasReady = m_ready.exchange(false);
        m_settled = true;
        if (wasReady && m_lostHandler)
            m_lostHandler();
        m_retry.start(pa_threaded_mainloop_get_api(m_mainloop), retryIntervalMs);
        break;
    }
    default:
        break;
    }
}

void PulseConnection::reconnect()
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return;
    dropContext();
    connectContext();
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
