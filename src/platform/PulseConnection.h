#pragma once

#include "platform/PulseLoopTimer.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <string>

struct pa_context;
struct pa_threaded_mainloop;

// One connection to the PulseAudio sound server (or PipeWire's PulseAudio service), kept
// alive: when the server is not there or goes away, it tries again every second, on the
// loop thread, so that a busy UI thread does not hold the sound back.
//
// Threads: construct, start() and destroy on the UI thread. The ready handler runs on the
// connection's own loop thread with the loop locked, each time the context becomes ready
// (after every reconnection); it is where streams and subscriptions are made. The lost
// handler runs there too, when a ready context fails or ends, so that it always comes
// before the next ready handler; state kept about the server is dropped there. The Qt
// signal is delivered on the UI thread, late and possibly after the connection was lost
// again, so it only informs. Anything else that touches the context takes a Lock first.
class PulseConnection : public QObject
{
    Q_OBJECT

public:
    using ReadyHandler = std::function<void(pa_context *)>;
    using LostHandler = std::function<void()>;

    explicit PulseConnection(std::string clientName, QObject *parent = nullptr);
    ~PulseConnection() override;

    void setReadyHandler(ReadyHandler handler) { m_readyHandler = std::move(handler); }
    void setLostHandler(LostHandler handler) { m_lostHandler = std::move(handler); }

    // Starts the loop thread and the first connection attempt; false when the loop
    // cannot start at all.
    bool start();
    // Waits at most `timeoutMs` for the first attempt to end; true when connected.
    bool waitUntilSettled(int timeoutMs);
    bool isReady() const { return m_ready.load(); }

    pa_threaded_mainloop *mainloop() const { return m_mainloop; }
    // Valid while a Lock is held; null between connections.
    pa_context *context() const { return m_context; }

    class Lock
    {
    public:
        explicit Lock(const PulseConnection &connection);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;

    private:
        pa_threaded_mainloop *m_mainloop;
    };

signals:
    void connected();

private:
    static void stateCallback(pa_context *context, void *self);
    void onState();
    void connectContext();
    void dropContext();
    void reconnect();

    std::string m_clientName;
    pa_threaded_mainloop *m_mainloop = nullptr;
    pa_context *m_context = nullptr;
    ReadyHandler m_readyHandler;
    LostHandler m_lostHandler;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_settled{false};
    PulseLoopTimer m_retry;
};
