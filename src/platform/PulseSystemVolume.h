#pragma once

#include "platform/PulseConnection.h"
#include "platform/SystemVolume.h"

#include <atomic>
#include <cstdint>

// The desktop's output volume through PulseAudio: the default sink's volume on all of its
// channels. The last value asked for is kept and sent again after every reconnection.
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
    void apply(pa_context *context);

    PulseConnection m_connection;
    // Accessed under the connection's lock: the loop thread reads it on reconnection.
    std::int64_t m_wanted = -1;
};
