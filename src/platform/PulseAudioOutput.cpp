#include "platform/PulseAudioOutput.h"

#include "platform/AudioRenderer.h"

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <cstring>

PulseAudioOutput::PulseAudioOutput(QObject *parent)
    : AudioOutput(parent)
    , m_connection("Sonivale")
{
    m_connection.setReadyHandler([this](pa_context *context) { createStream(context); });
    connect(&m_connection, &PulseConnection::connected, this, [this] { emit connectedChanged(true); });
    connect(&m_connection, &PulseConnection::disconnected, this, [this] { emit connectedChanged(false); });
}

PulseAudioOutput::~PulseAudioOutput()
{
    stop();
}

bool PulseAudioOutput::start(AudioRenderer *renderer)
{
    m_renderer = renderer;
    return m_connection.start();
}

void PulseAudioOutput::stop()
{
    if (!m_connection.mainloop())
        return;
    PulseConnection::Lock lock(m_connection);
    dropStream();
    m_renderer = nullptr;
}

void PulseAudioOutput::createStream(pa_context *context)
{
    dropStream();
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, outputRate, 2};
    m_stream = pa_stream_new(context, "Masking sounds", &spec, nullptr);
    if (!m_stream)
        return;
    const auto target = static_cast<uint32_t>(pa_usec_to_bytes(targetLatencyMs * PA_USEC_PER_MSEC, &spec));
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = target;
    attr.prebuf = static_cast<uint32_t>(-1);
    // Refilling a third of the buffer at a time keeps the wake-ups few without risking
    // an underrun.
    attr.minreq = target / 3;
    attr.fragsize = static_cast<uint32_t>(-1);
    pa_stream_set_write_callback(m_stream, &PulseAudioOutput::writeCallback, this);
    const auto flags = PA_STREAM_ADJUST_LATENCY;
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0)
        dropStream();
}

void PulseAudioOutput::dropStream()
{
    if (!m_stream)
        return;
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseAudioOutput::writeCallback(pa_stream *, std::size_t bytes, void *self)
{
    static_cast<PulseAudioOutput *>(self)->write(bytes);
}

void PulseAudioOutput::write(std::size_t bytes)
{
    while (bytes > 0) {
        void *data = nullptr;
        std::size_t chunk = bytes;
        if (pa_stream_begin_write(m_stream, &data, &chunk) < 0 || !data || chunk == 0)
            return;
        const std::size_t frames = chunk / (2 * sizeof(float));
        if (frames == 0) {
            pa_stream_cancel_write(m_stream);
            return;
        }
        if (AudioRenderer *renderer = m_renderer.load())
            renderer->render(static_cast<float *>(data), frames);
        else
            std::memset(data, 0, frames * 2 * sizeof(float));
        pa_stream_write(m_stream, data, frames * 2 * sizeof(float), nullptr, 0, PA_SEEK_RELATIVE);
        bytes -= std::min(bytes, frames * 2 * sizeof(float));
    }
}
