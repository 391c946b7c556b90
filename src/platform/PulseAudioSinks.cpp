#include "platform/PulseAudioSinks.h"

#include <pulse/context.h>
#include <pulse/introspect.h>

#include <algorithm>

PulseAudioSinks::PulseAudioSinks(PulseConnection &connection, QObject *parent)
    : AudioSinks(parent)
    , m_connection(connection)
{
}

PulseAudioSinks::~PulseAudioSinks()
{
    m_connection.detach(*this);
}

void PulseAudioSinks::open()
{
    m_connection.attach(*this);
    m_connection.start();
}

PulseAudioSinks::Known PulseAudioSinks::knownOf(const pa_sink_info &info)
{
    const QString name = QString::fromUtf8(info.name ? info.name : "");
    const QString description = info.description && *info.description ? QString::fromUtf8(info.description) : name;
    return {info.index, {name, description}};
}

void PulseAudioSinks::connectionReady(pa_context *context)
{
    m_incoming.clear();
    // Until the list arrives, a sink event adds to what the list will replace; the answers
    // to its fetches come after the list, so they are applied to it.
    request(pa_context_get_sink_info_list(context, &PulseAudioSinks::listCallback, this));
}

void PulseAudioSinks::connectionLost()
{
    m_known.clear();
    m_incoming.clear();
    m_knownListed = false;
    post();
}

void PulseAudioSinks::listCallback(pa_context *, const pa_sink_info *info, int eol, void *self)
{
    auto *sinks = static_cast<PulseAudioSinks *>(self);
    if (eol == 0 && info) {
        sinks->m_incoming.push_back(knownOf(*info));
        return;
    }
    if (eol < 0)
        return;
    sinks->m_known = std::move(sinks->m_incoming);
    sinks->m_incoming.clear();
    std::sort(sinks->m_known.begin(), sinks->m_known.end(),
              [](const Known &a, const Known &b) { return a.index < b.index; });
    sinks->m_knownListed = true;
    sinks->post();
}

void PulseAudioSinks::serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index)
{
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
        remove(index);
        return;
    }
    request(pa_context_get_sink_info_by_index(context, index, &PulseAudioSinks::infoCallback, this));
}

// A sink removed before its fetch is answered answers with an error: nothing to add.
void PulseAudioSinks::infoCallback(pa_context *, const pa_sink_info *info, int eol, void *self)
{
    if (eol == 0 && info)
        static_cast<PulseAudioSinks *>(self)->upsert(knownOf(*info));
}

void PulseAudioSinks::upsert(Known known)
{
    const auto at = std::lower_bound(m_known.begin(), m_known.end(), known.index,
                                     [](const Known &k, std::uint32_t index) { return k.index < index; });
    if (at != m_known.end() && at->index == known.index)
        *at = std::move(known);
    else
        m_known.insert(at, std::move(known));
    post();
}

void PulseAudioSinks::remove(std::uint32_t index)
{
    std::erase_if(m_known, [index](const Known &k) { return k.index == index; });
    post();
}

// Sinks change often in ways that do not show here (volume, state); only a change in what
// shows is handed over.
void PulseAudioSinks::post()
{
    std::vector<AudioSink> sinks;
    if (m_knownListed) {
        sinks.reserve(m_known.size());
        for (const Known &known : m_known)
            sinks.push_back(known.sink);
    }
    if (sinks == m_posted && m_knownListed == m_postedListed)
        return;
    m_posted = sinks;
    m_postedListed = m_knownListed;
    QMetaObject::invokeMethod(
        this,
        [this, sinks = std::move(sinks), listed = m_knownListed]() mutable {
            m_sinks = std::move(sinks);
            m_listed = listed;
            emit changed();
        },
        Qt::QueuedConnection);
}
