#include "platform/PulseLevelMeter.h"

#include "platform/PulseConnection.h"
#include "platform/PulseStreams.h"

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <string>

PulseLevelMeter::PulseLevelMeter(PulseConnection &connection, LevelHandler onLevel)
    : m_connection(connection)
    , m_onLevel(std::move(onLevel))
    , m_retry([this] { retry(); })
{
}

PulseLevelMeter::~PulseLevelMeter()
{
    if (!m_connection.mainloop())
        return;
    PulseConnection::Lock lock(m_connection);
    stop();
}

void PulseLevelMeter::follow(pa_context *context, std::uint32_t source)
{
    if (m_stream && m_source == source && pa_stream_get_context(m_stream) == context)
        return;
    stop();
    if (context && source != noSource)
        connect(context, source);
}

void PulseLevelMeter::stop()
{
    m_retry.cancel();
    drop();
    m_source = noSource;
}

std::optional<double> PulseLevelMeter::levelOf(const void *data, std::size_t bytes)
{
    if (!data || bytes < sizeof(float))
        return std::nullopt;
    const float peak = static_cast<const float *>(data)[bytes / sizeof(float) - 1];
    if (!(peak >= 0.0f))
        return std::nullopt;
    return std::min(static_cast<double>(peak), 1.0);
}

void PulseLevelMeter::connect(pa_context *context, std::uint32_t source)
{
    m_source = source;
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, rate, 1};
    m_stream = pa_stream_new(context, "Sonivale level meter", &spec, nullptr);
    if (!m_stream) {
        m_retry.start(pa_threaded_mainloop_get_api(m_connection.mainloop()), retryDelayMs);
        return;
    }
    pa_stream_set_read_callback(m_stream, &readCallback, this);
    pa_stream_set_state_callback(m_stream, &stateCallback, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = sizeof(float);
    // Not moved with the source's sink, and no reason to keep an idle device awake.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_DONT_MOVE | PA_STREAM_PEAK_DETECT
                                                      | PA_STREAM_ADJUST_LATENCY
                                                      | PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND);
    const std::string device = std::to_string(source);
    if (pa_stream_connect_record(m_stream, device.c_str(), &attr, flags) < 0) {
        drop();
        m_retry.start(pa_threaded_mainloop_get_api(m_connection.mainloop()), retryDelayMs);
    }
}

void PulseLevelMeter::readCallback(pa_stream *stream, std::size_t, void *self)
{
    auto *meter = static_cast<PulseLevelMeter *>(self);
    const void *data = nullptr;
    std::size_t bytes = 0;
    if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
        return;
    // A hole (no data, some length) must be dropped as well.
    const std::optional<double> level = levelOf(data, bytes);
    pa_stream_drop(stream);
    if (level)
        meter->m_onLevel(*level);
}

void PulseLevelMeter::stateCallback(pa_stream *, void *self)
{
    static_cast<PulseLevelMeter *>(self)->onState();
}

// A source that goes away is removed by the owner soon after; until then, and for any
// other loss of the stream, the meter tries again as long as the server is there.
void PulseLevelMeter::onState()
{
    const pa_stream_state_t state = pa_stream_get_state(m_stream);
    if (state != PA_STREAM_FAILED && state != PA_STREAM_TERMINATED)
        return;
    drop();
    m_retry.start(pa_threaded_mainloop_get_api(m_connection.mainloop()), retryDelayMs);
}

void PulseLevelMeter::retry()
{
    pa_context *context = m_connection.context();
    if (m_stream || m_source == noSource || !context || pa_context_get_state(context) != PA_CONTEXT_READY)
        return;
    connect(context, m_source);
}

void PulseLevelMeter::drop()
{
    PulseStreams::release(m_stream);
}
