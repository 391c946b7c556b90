#include "platform/PulseLoopTimer.h"

#include <pulse/mainloop-api.h>
#include <pulse/timeval.h>

PulseLoopTimer::PulseLoopTimer(std::function<void()> callback)
    : m_callback(std::move(callback))
{
}

PulseLoopTimer::~PulseLoopTimer()
{
    cancel();
}

void PulseLoopTimer::start(pa_mainloop_api *api, int ms)
{
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(ms) * PA_USEC_PER_MSEC);
    if (m_event && m_api == api) {
        api->time_restart(m_event, &when);
    } else {
        cancel();
        m_api = api;
        m_event = api->time_new(api, &when, &PulseLoopTimer::fired, this);
    }
    m_active = m_event != nullptr;
}

void PulseLoopTimer::cancel()
{
    if (m_event)
        m_api->time_free(m_event);
    m_event = nullptr;
    m_api = nullptr;
    m_active = false;
}

void PulseLoopTimer::fired(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self)
{
    auto *timer = static_cast<PulseLoopTimer *>(self);
    timer->m_active = false;
    timer->m_callback();
}
