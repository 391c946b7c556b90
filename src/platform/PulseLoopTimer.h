#pragma once

#include <functional>

struct pa_mainloop_api;
struct pa_time_event;

// A one-shot timer on a PulseAudio loop thread, so that retries and restarts go on even
// when the UI thread is busy.
//
// Threads: start() and cancel() with the loop's lock held (or from one of its callbacks, or
// once the loop has stopped); the callback runs on the loop thread with the lock held.
// The owner cancels the timer before the loop is freed.
class PulseLoopTimer
{
public:
    explicit PulseLoopTimer(std::function<void()> callback);
    ~PulseLoopTimer();
    PulseLoopTimer(const PulseLoopTimer &) = delete;
    PulseLoopTimer &operator=(const PulseLoopTimer &) = delete;

    // (Re)starts the timer to fire once, `ms` from now.
    void start(pa_mainloop_api *api, int ms);
    void cancel();
    bool isActive() const { return m_active; }

private:
    static void fired(pa_mainloop_api *api, pa_time_event *event, const struct timeval *tv, void *self);

    std::function<void()> m_callback;
    pa_mainloop_api *m_api = nullptr;
    pa_time_event *m_event = nullptr;
    bool m_active = false;
};
