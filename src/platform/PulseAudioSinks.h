#pragma once

#include "platform/AudioSinks.h"
#include "platform/PulseConnection.h"

#include <cstdint>
#include <vector>

#include <pulse/subscribe.h>

struct pa_sink_info;

// The sinks of the sound server (PulseAudio, or PipeWire's PulseAudio service) on the
// shared connection: listed whole after every (re)connection, then kept up to date from the
// server's sink events, each sink it names fetched again by its index.
//
// Threads: the list is kept on the connection's loop thread; each change that shows (a sink
// comes or goes, a name or description changes) is handed to the UI thread as a copy, so
// the members answer there without waiting. The sinks use the shared connection from
// open() on; the connection outlives them.
class PulseAudioSinks final : public AudioSinks, private PulseConnection::Client
{
    Q_OBJECT

public:
    explicit PulseAudioSinks(PulseConnection &connection, QObject *parent = nullptr);
    ~PulseAudioSinks() override;

    void open() override;
    bool isListed() const override { return m_listed; }
    std::vector<AudioSink> sinks() const override { return m_sinks; }

private:
    struct Known
    {
        std::uint32_t index;
        AudioSink sink;
    };

    static Known knownOf(const pa_sink_info &info);
    static void listCallback(pa_context *context, const pa_sink_info *info, int eol, void *self);
    static void infoCallback(pa_context *context, const pa_sink_info *info, int eol, void *self);

    // Loop thread, loop locked.
    void connectionReady(pa_context *context) override;
    void connectionLost() override;
    void serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index) override;
    pa_subscription_mask_t subscriptions() const override { return PA_SUBSCRIPTION_MASK_SINK; }
    void upsert(Known known);
    void remove(std::uint32_t index);
    void post();

    PulseConnection &m_connection;

    // Loop thread only.
    std::vector<Known> m_known;
    std::vector<Known> m_incoming;
    bool m_knownListed = false;
    std::vector<AudioSink> m_posted;
    bool m_postedListed = false;

    // UI thread only.
    std::vector<AudioSink> m_sinks;
    bool m_listed = false;
};
