#pragma once

#include "platform/PulseLoopTimer.h"
#include "platform/PulseOperation.h"

#include <QObject>

#include <pulse/subscribe.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct pa_context;
struct pa_threaded_mainloop;

// The program's one connection to the PulseAudio sound server (or PipeWire's PulseAudio
// service): one context on one threaded loop, shared by every part that talks to the
// server (the playback stream, the system volume, the mixer lines, the capture). It is
// kept alive: when the server is not there or goes away, it tries again every second, on
// the loop thread, so that a busy UI thread does not hold the sound back.
//
// Threads: construct, start(), attach(), detach() and destroy on the UI thread (never the
// loop thread); each of them may wait briefly for the loop's lock. Every Client callback
// runs on the loop thread with the loop locked, so a client's callbacks never overlap
// each other or another client's; the loop thread also plays the sound, so no callback
// may wait for anything. Anything else that touches the context takes a Lock first.
// The Qt signal is delivered on the UI thread, late and possibly after the connection was
// lost again, so it only informs. Every client detaches before the connection goes.
class PulseConnection : public QObject
{
    Q_OBJECT

public:
    // A part of the program that uses the connection.
    class Client
    {
    public:
        virtual ~Client() = default;
        // The context is ready: after every (re)connection, and once soon after attaching to
        // a ready one. Streams are made and state is fetched here.
        virtual void connectionReady(pa_context *context) { (void)context; }
        // The ready context failed or ended; always before the next connectionReady, never
        // without one before. State kept about the server is dropped here.
        virtual void connectionLost() {}
        // A server event in subscriptions(), only between connectionReady and
        // connectionLost. Events tell what changed, not how: refetch what they name.
        virtual void serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index)
        {
            (void)context, (void)type, (void)index;
        }
        // The server events the client wants; asked when it attaches.
        virtual pa_subscription_mask_t subscriptions() const { return PA_SUBSCRIPTION_MASK_NULL; }

    protected:
        // Sends a request whose answer calls back into this client, with the lock held;
        // detaching cancels it if it is still unanswered, so that no answer reaches a
        // client that has gone. True when the request could be sent.
        bool request(pa_operation *operation);

    private:
        friend class PulseConnection;
        std::vector<PulseOperation> m_requests;
    };

    explicit PulseConnection(std::string clientName = "Sonivale", QObject *parent = nullptr);
    ~PulseConnection() override;

    // Starts the loop thread and the first connection attempt; false when the loop
    // cannot start at all. Further calls only answer whether it runs.
    bool start();
    // Waits at most `timeoutMs` for the first attempt to end; true when connected.
    bool waitUntilSettled(int timeoutMs);
    bool isReady() const { return m_ready.load(); }

    // Adds a client, which hears from the next (or the current) connection on; adding it
    // again changes nothing. The connection does not own it.
    void attach(Client &client);
    // Removes a client; once this returns none of its callbacks runs or will run.
    void detach(Client &client);

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
    struct Attached
    {
        Client *client;
        // Whether the client was told of the current connection.
        bool told;
    };

    static void stateCallback(pa_context *context, void *self);
    static void eventCallback(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index, void *self);
    void onState();
    void onReady();
    void onLost();
    void tellLateClients();
    void subscribe();
    void connectContext();
    void dropContext();
    void reconnect();

    std::string m_clientName;
    pa_threaded_mainloop *m_mainloop = nullptr;
    pa_context *m_context = nullptr;
    // Under the lock.
    std::vector<Attached> m_clients;
    pa_subscription_mask_t m_subscribed = PA_SUBSCRIPTION_MASK_NULL;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_settled{false};
    PulseLoopTimer m_retry;
    // Tells clients that attach to a ready context, on the loop thread.
    PulseLoopTimer m_lateClients;
};
