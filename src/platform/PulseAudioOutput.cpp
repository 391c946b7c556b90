#include "platform/PulseAudioOutput.h"

#include "platform/AudioRenderer.h"
#include "platform/PulseOperation.h"
#include "platform/PulseStreams.h"
#include "platform/RealtimeScheduling.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>
#include <pulse/volume.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace {

constexpr pa_sample_spec streamSpec{PA_SAMPLE_FLOAT32LE, PulseAudioOutput::outputRate, 2};

std::uint32_t bytesFor(int ms)
{
    return static_cast<std::uint32_t>(pa_usec_to_bytes(pa_usec_t(ms) * PA_USEC_PER_MSEC, &streamSpec));
}

// With PA_STREAM_ADJUST_LATENCY PulseAudio takes tlength as the whole latency and asks
// the sink for (tlength - 2 minreq) / 2; PipeWire's service, asked without it, keeps
// tlength queued and runs its graph at up to tlength - 2 minreq (its largest quantum at
// most). Either way a large refill keeps the sink's wake-ups, and every other client's,
// long.
pa_buffer_attr bufferAttr(int bufferMs, int refillMs)
{
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = bytesFor(bufferMs);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = bytesFor(refillMs);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    return attr;
}

std::uint64_t bothSides(pa_volume_t left, pa_volume_t right)
{
    return std::uint64_t{left} << 32 | right;
}

pa_volume_t leftOf(std::uint64_t sides)
{
    return static_cast<pa_volume_t>(sides >> 32);
}

pa_volume_t rightOf(std::uint64_t sides)
{
    return static_cast<pa_volume_t>(sides);
}

bool contextReady(pa_context *context)
{
    return context && pa_context_get_state(context) == PA_CONTEXT_READY;
}

}

PulseAudioOutput::PulseAudioOutput(PulseConnection &connection, QObject *parent)
    : AudioOutput(parent)
    , m_connection(connection)
    , m_restart([this] { restartStream(); })
{
}

PulseAudioOutput::~PulseAudioOutput()
{
    stop();
}

bool PulseAudioOutput::start(AudioRenderer *renderer)
{
    m_renderer = renderer;
    m_connection.attach(*this);
    return m_connection.start();
}

void PulseAudioOutput::stop()
{
    m_connection.detach(*this);
    if (!m_connection.mainloop())
        return;
    PulseConnection::Lock lock(m_connection);
    m_restart.cancel();
    dropStream();
    m_renderer = nullptr;
    setPlaying(false);
}

void PulseAudioOutput::connectionLost()
{
    setPlaying(false);
}

void PulseAudioOutput::connectionReady(pa_context *context)
{
    dropStream();
    m_sinkMissing = false;
    if (!m_realtimeAsked.exchange(true)) {
        // The loop thread renders the sound; it lives as long as the output.
        const pid_t audioThread = gettid();
        QMetaObject::invokeMethod(this, [audioThread] { RealtimeScheduling::makeRealtime(audioThread); },
                                  Qt::QueuedConnection);
    }
    // The stream is made once the server has said what it is: PulseAudio and PipeWire's
    // service read the buffer attributes differently.
    const auto onServer = [](pa_context *c, const pa_server_info *info, void *self) {
        auto *output = static_cast<PulseAudioOutput *>(self);
        const bool pipeWire = info && info->server_name && std::strstr(info->server_name, "PipeWire");
        const Buffering *buffering = pipeWire ? &pipeWireBuffering : &pulseAudioBuffering;
        // A buffer deepened by underruns stays deep after a reconnection to the same kind.
        if (output->m_buffering.exchange(buffering) != buffering)
            output->m_bufferMs = buffering->bufferMs;
        output->createStream(c);
    };
    if (!request(pa_context_get_server_info(context, onServer, this)))
        scheduleRestart();
}

void PulseAudioOutput::createStream(pa_context *context)
{
    dropStream();
    if (!m_renderer.load())
        return;
    m_stream = pa_stream_new(context, "Masking sounds", &streamSpec, nullptr);
    if (!m_stream) {
        scheduleRestart();
        return;
    }
    pa_stream_set_state_callback(m_stream, &PulseAudioOutput::stateCallback, this);
    pa_stream_set_write_callback(m_stream, &PulseAudioOutput::writeCallback, this);
    pa_stream_set_underflow_callback(m_stream, &PulseAudioOutput::underflowCallback, this);
    const Buffering &buffering = *m_buffering.load();
    const pa_buffer_attr attr = bufferAttr(m_bufferMs.load(), buffering.refillMs);
    const auto flags = buffering.adjustLatency ? PA_STREAM_ADJUST_LATENCY : PA_STREAM_NOFLAGS;
    // Without a device the server chooses the default sink and may move the stream when
    // the user changes it or a device comes and goes; never DONT_MOVE, so that a stream on
    // a chosen sink is moved elsewhere rather than ended when that sink goes.
    m_streamSink = sinkToConnect();
    m_streamReady = false;
    const char *device = m_streamSink.empty() ? nullptr : m_streamSink.c_str();
    pa_cvolume volume;
    if (pa_stream_connect_playback(m_stream, device, &attr, flags, rememberedVolume(&volume), nullptr) < 0) {
        dropStream();
        scheduleRestart();
    }
}

void PulseAudioOutput::dropStream()
{
    PulseStreams::release(m_stream);
}

void PulseAudioOutput::stateCallback(pa_stream *, void *self)
{
    static_cast<PulseAudioOutput *>(self)->onStreamState();
}

void PulseAudioOutput::onStreamState()
{
    switch (pa_stream_get_state(m_stream)) {
    case PA_STREAM_READY:
        m_streamReady = true;
        setPlaying(true);
        // The sink may have been set while the stream was being made.
        if (m_streamSink != sinkToConnect())
            moveStreamToSink();
        // Without a volume of the program's own, the server gave the new stream the one it
        // remembers for the program.
        fetchStreamVolume(pa_stream_get_context(m_stream), pa_stream_get_index(m_stream));
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        setPlaying(false);
        // A lost server makes the stream fail too; the connection's ready handler makes
        // the next one then. A stream that could not be made on the sink named is made on
        // the default at once. Otherwise the stream alone was lost (its sink went away, or
        // the server killed it): try again shortly, without waiting for the server.
        if (!contextReady(pa_stream_get_context(m_stream)))
            break;
        if (!m_streamReady && !m_streamSink.empty()) {
            m_sinkMissing = true;
            scheduleRestart(0);
        } else {
            scheduleRestart();
        }
        break;
    default:
        break;
    }
}

void PulseAudioOutput::scheduleRestart(int delayMs)
{
    m_restart.start(pa_threaded_mainloop_get_api(m_connection.mainloop()), delayMs);
}

const std::string &PulseAudioOutput::sinkToConnect() const
{
    static const std::string defaultSink;
    return m_sinkMissing ? defaultSink : m_sinkName;
}

void PulseAudioOutput::applySink(const QString &name)
{
    if (!m_connection.mainloop()) {
        m_sinkName = name.toStdString();
        return;
    }
    PulseConnection::Lock lock(m_connection);
    m_sinkName = name.toStdString();
    m_sinkMissing = false;
    moveStreamToSink();
}

// The server moves the stream without a gap. A sink it does not have leaves the stream
// where it plays. A stream moved to the default sink follows the default again. A stream
// already where it belongs is left alone: PipeWire may relink a stream moved in place.
void PulseAudioOutput::moveStreamToSink()
{
    pa_context *context = m_connection.context();
    if (!contextReady(context) || !m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    if (!m_sinkName.empty()) {
        moveStreamTo(context, m_sinkName.c_str());
        return;
    }
    // The server's default is asked for when it is needed: it changes without our stream.
    const auto onServer = [](pa_context *c, const pa_server_info *info, void *self) {
        auto *output = static_cast<PulseAudioOutput *>(self);
        if (info && info->default_sink_name && output->m_sinkName.empty())
            output->moveStreamTo(c, info->default_sink_name);
    };
    request(pa_context_get_server_info(context, onServer, this));
}

void PulseAudioOutput::moveStreamTo(pa_context *context, const char *sink)
{
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    const char *playsOn = pa_stream_get_device_name(m_stream);
    if (playsOn && std::strcmp(playsOn, sink) == 0)
        return;
    PulseOperation::sent(pa_context_move_sink_input_by_name(context, pa_stream_get_index(m_stream), sink, nullptr, nullptr));
}

void PulseAudioOutput::restartStream()
{
    pa_context *context = m_connection.context();
    if (!contextReady(context))
        return;
    if (m_stream && pa_stream_get_state(m_stream) != PA_STREAM_FAILED && pa_stream_get_state(m_stream) != PA_STREAM_TERMINATED)
        return;
    createStream(context);
}

void PulseAudioOutput::underflowCallback(pa_stream *, void *self)
{
    static_cast<PulseAudioOutput *>(self)->onUnderflow();
}

void PulseAudioOutput::onUnderflow()
{
    m_underflows.fetch_add(1);
    const Buffering &buffering = *m_buffering.load();
    const int current = m_bufferMs.load();
    if (current >= buffering.ceilingMs)
        return;
    const int deeper = std::min(buffering.ceilingMs, current + buffering.refillMs);
    m_bufferMs = deeper;
    const pa_buffer_attr attr = bufferAttr(deeper, buffering.refillMs);
    PulseOperation::sent(pa_stream_set_buffer_attr(m_stream, &attr, nullptr, nullptr));
}

void PulseAudioOutput::serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index)
{
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE)
        fetchStreamVolume(context, index);
}

void PulseAudioOutput::fetchStreamVolume(pa_context *context, std::uint32_t index)
{
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY || pa_stream_get_index(m_stream) != index)
        return;
    request(pa_context_get_sink_input_info(context, index, &PulseAudioOutput::streamInfo, this));
}

void PulseAudioOutput::streamInfo(pa_context *, const pa_sink_input_info *info, int eol, void *self)
{
    if (eol == 0 && info)
        static_cast<PulseAudioOutput *>(self)->onStreamInfo(*info);
}

// Answers come in the order asked, but may describe a stream that has been replaced since;
// the last answer after a change is the volume as it stands.
void PulseAudioOutput::onStreamInfo(const pa_sink_input_info &info)
{
    if (!m_stream || pa_stream_get_index(m_stream) != info.index)
        return;
    const pa_volume_t volume = pa_cvolume_max(&info.volume);
    const pa_volume_t left = info.volume.values[0];
    const pa_volume_t right = info.volume.channels > 1 ? info.volume.values[1] : left;
    const std::uint64_t was = m_streamSides.exchange(bothSides(left, right));
    if (was != unknownVolume && std::max(leftOf(was), rightOf(was)) == volume)
        return;
    QMetaObject::invokeMethod(this, [this, volume] { noteStreamVolume(double(volume) / PA_VOLUME_NORM); },
                              Qt::QueuedConnection);
}

void PulseAudioOutput::setPlaying(bool playing)
{
    if (m_playing.exchange(playing) == playing)
        return;
    QMetaObject::invokeMethod(this, [this, playing] { emit connectedChanged(playing); }, Qt::QueuedConnection);
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

// A new stream starts at the remembered volume (see createStream); one that plays now
// gets it at once.
void PulseAudioOutput::applyStreamVolume(double volume)
{
    // The louder side takes the new volume and the other keeps its share of it.
    const auto wanted = static_cast<pa_volume_t>(std::lround(volume * PA_VOLUME_NORM));
    const std::uint64_t sides = m_streamSides.load();
    const pa_volume_t loudest = sides == unknownVolume ? 0 : std::max(leftOf(sides), rightOf(sides));
    const auto share = [&](pa_volume_t side) {
        return loudest == 0 ? wanted : static_cast<pa_volume_t>(std::uint64_t{side} * wanted / loudest);
    };
    m_streamSides = bothSides(share(leftOf(sides)), share(rightOf(sides)));
    if (!m_connection.mainloop())
        return;
    PulseConnection::Lock lock(m_connection);
    pa_context *context = m_connection.context();
    pa_cvolume storage;
    const pa_cvolume *remembered = rememberedVolume(&storage);
    if (!contextReady(context) || !m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY || !remembered)
        return;
    PulseOperation::sent(pa_context_set_sink_input_volume(context, pa_stream_get_index(m_stream), remembered,
                                                            nullptr, nullptr));
}

const pa_cvolume *PulseAudioOutput::rememberedVolume(pa_cvolume *storage) const
{
    const std::uint64_t sides = m_streamSides.load();
    if (sides == unknownVolume)
        return nullptr;
    pa_cvolume_init(storage);
    storage->channels = streamSpec.channels;
    storage->values[0] = leftOf(sides);
    storage->values[1] = rightOf(sides);
    return storage;
}
