#include "platform/PulseSystemVolume.h"

#include "platform/PulseOperation.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/volume.h>

#include <algorithm>

namespace {

void setSinkVolume(pa_context *context, const pa_sink_info *info, std::uint32_t wanted)
{
    pa_cvolume volume;
    pa_cvolume_set(&volume, info->volume.channels, wanted);
    PulseOperation::sent(pa_context_set_sink_volume_by_index(context, info->index, &volume, nullptr, nullptr));
}

}

PulseSystemVolume::PulseSystemVolume(PulseConnection &connection, QObject *parent)
    : SystemVolume(parent)
    , m_connection(connection)
{
}

PulseSystemVolume::~PulseSystemVolume()
{
    m_connection.detach(*this);
}

bool PulseSystemVolume::open()
{
    m_connection.attach(*this);
    return m_connection.start() && m_connection.waitUntilSettled(openTimeoutMs);
}

std::uint32_t PulseSystemVolume::sinkVolume(quint32 value)
{
    const std::uint64_t scaled = std::uint64_t{std::min<quint32>(value, 65535)} * PA_VOLUME_NORM / 65535;
    return static_cast<std::uint32_t>(scaled);
}

bool PulseSystemVolume::setVolume(quint32 value)
{
    if (!m_connection.mainloop())
        return false;
    PulseConnection::Lock lock(m_connection);
    m_wanted = value;
    if (!m_connection.isReady() || !m_connection.context())
        return false;
    apply(m_connection.context());
    return true;
}

void PulseSystemVolume::connectionReady(pa_context *context)
{
    m_volumeSink.clear();
    apply(context);
}

void PulseSystemVolume::serverEvent(pa_context *context, pa_subscription_event_type_t, std::uint32_t)
{
    applyIfDefaultSinkChanged(context);
}

void PulseSystemVolume::applyIfDefaultSinkChanged(pa_context *context)
{
    // Server events also come for other changes (the default source, for one); only a new
    // default sink gets the remembered volume, so the user's own changes to the same sink
    // through the desktop stand.
    const auto onServer = [](pa_context *c, const pa_server_info *info, void *self) {
        auto *volume = static_cast<PulseSystemVolume *>(self);
        if (info && info->default_sink_name && volume->m_volumeSink != info->default_sink_name)
            volume->apply(c);
    };
    request(pa_context_get_server_info(context, onServer, this));
}

void PulseSystemVolume::apply(pa_context *context)
{
    if (m_wanted < 0)
        return;
    // The callback runs on the loop thread with the lock held, so it reads the value that
    // is wanted when the sink's channel count arrives, not when it was asked for.
    const auto onDefaultSink = [](pa_context *c, const pa_sink_info *info, int eol, void *self) {
        auto *volume = static_cast<PulseSystemVolume *>(self);
        if (eol != 0 || !info || volume->m_wanted < 0)
            return;
        volume->m_volumeSink = info->name;
        setSinkVolume(c, info, sinkVolume(static_cast<quint32>(volume->m_wanted)));
    };
    request(pa_context_get_sink_info_by_name(context, "@DEFAULT_SINK@", onDefaultSink, this));
}
