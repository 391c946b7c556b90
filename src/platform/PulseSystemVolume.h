#pragma once

#include "platform/PulseConnection.h"
#include "platform/SystemVolume.h"

#include <atomic>
#include <cstdint>
#include <string>

#include <pulse/subscribe.h>

// The desktop's output volume through PulseAudio: the default sink's volume on all of its
// channels. The last value asked for is kept and sent again after every reconnection, and
// to each new default sink (headphones plugged in, a device gone, the user's choice).
//
// Threads: the members on the UI thread; setVolume() waits only for the connection's
// lock, never for the server. The volume uses the shared connection from open() on;
// the connection outlives it.
class PulseSystemVolume final : public SystemVolume, private PulseConnection::Client
{
    Q_OBJECT

public:
    static constexpr int openTimeoutMs = 1500;

    explicit PulseSystemVolume(PulseConnection &connection, QObject *parent = nullptr);
    ~PulseSystemVolume() override;

    bool open() override;
    bool setVolume(quint32 value) override;

    // The sink volume that a mixer value stands for: value x normal / 65535.
    static std::uint32_t sinkVolume(quint32 value);

private:
    void connectionReady(pa_context *context) override;
    void serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index) override;
    pa_subscription_mask_t subscriptions() const override { return PA_SUBSCRIPTION_MASK_SERVER; }
    void apply(pa_context *context);
    void applyIfDefaultSinkChanged(pa_context *context);

    PulseConnection &m_connection;
    // Accessed under the connection's lock: the loop thread reads it on reconnection.
    std::int64_t m_wanted = -1;
    std::string m_volumeSink;
};
