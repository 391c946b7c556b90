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
class PulseSystemVolume final : public SystemVolume
{
    Q_OBJECT

public:
    static constexpr int openTimeoutMs = 1500;

    explicit PulseSystemVolume(QObject *parent = nullptr);

    bool open() override;
    bool setVolume(quint32 value) override;

    // The sink volume that a mixer value stands for: value x normal / 65535.
    static std::uint32_t sinkVolume(quint32 value);

private:
    static void serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index, void *self);
    void onReady(pa_context *context);
    void apply(pa_context *context);
    void applyIfDefaultSinkChanged(pa_context *context);

    PulseConnection m_connection;
    // Accessed under the connection's lock: the loop thread reads it on reconnection.
    std::int64_t m_wanted = -1;
    std::string m_volumeSink;
};
