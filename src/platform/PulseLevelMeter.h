#pragma once

#include "platform/PulseLoopTimer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

class PulseConnection;
struct pa_context;
struct pa_stream;

// The level of one source of the sound server (a sink's monitor, or a recording source):
// a record stream at a few frames a second that the server fills with the peak of each
// stretch, so that metering costs next to nothing.
//
// Threads: follow() and stop() with the connection's lock held, from either thread; the
// level handler runs on the loop thread, with the lock held, and must not wait. The
// stream is watched: when it fails while the server stays, a new one is made on the
// same source after a short delay; a lost server is the owner's to report through
// follow() with the new context.
class PulseLevelMeter
{
public:
    static constexpr std::uint32_t rate = 25;
    static constexpr std::uint32_t noSource = ~std::uint32_t{0};
    static constexpr int retryDelayMs = 500;

    using LevelHandler = std::function<void(double level)>;

    PulseLevelMeter(PulseConnection &connection, LevelHandler onLevel);
    ~PulseLevelMeter();
    PulseLevelMeter(const PulseLevelMeter &) = delete;
    PulseLevelMeter &operator=(const PulseLevelMeter &) = delete;

    // Meters `source` (by index) on `context`; noSource or a null context stops. The same
    // source on the same context keeps its stream.
    void follow(pa_context *context, std::uint32_t source);
    void stop();

    // The level that a fragment handed over by the server stands for: its last peak,
    // within 0 to 1; nothing for a hole (no data), a fragment shorter than a sample or a
    // value that is no peak.
    static std::optional<double> levelOf(const void *data, std::size_t bytes);

private:
    static void readCallback(pa_stream *stream, std::size_t bytes, void *self);
    static void stateCallback(pa_stream *stream, void *self);
    void connect(pa_context *context, std::uint32_t source);
    void onState();
    void retry();
    void drop();

    PulseConnection &m_connection;
    LevelHandler m_onLevel;
    PulseLoopTimer m_retry;
    pa_stream *m_stream = nullptr;
    std::uint32_t m_source = noSource;
};
