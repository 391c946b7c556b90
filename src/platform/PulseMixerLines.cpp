#include "platform/PulseMixerLines.h"

#include <pulse/context.h>
#include <pulse/subscribe.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr int balanceScale = 100;

QString describe(const char *description, const char *name)
{
    return QString::fromUtf8(description && *description ? description : name);
}

}

PulseMixerLines::PulseMixerLines(PulseConnection &connection, QObject *parent)
    : MixerLines(parent)
    , m_connection(connection)
    , m_meter(connection, [this](double level) {
        QMetaObject::invokeMethod(this, [this, level] { emit levelChanged(level); }, Qt::QueuedConnection);
    })
{
    m_coalesce.setSingleShot(true);
    m_coalesce.setInterval(coalesceMs);
    connect(&m_coalesce, &QTimer::timeout, this, &MixerLines::changed);
}

PulseMixerLines::~PulseMixerLines()
{
    // Detached first, so that no answer makes a new meter after the old one is gone.
    m_connection.detach(*this);
    if (!m_connection.mainloop())
        return;
    PulseConnection::Lock lock(m_connection);
    m_meter.stop();
}

bool PulseMixerLines::open()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(openTimeoutMs);
    m_connection.attach(*this);
    if (!m_connection.start() || !m_connection.waitUntilSettled(openTimeoutMs))
        return false;
    std::unique_lock lock(m_mutex);
    return m_listedCondition.wait_until(lock, deadline, [this] { return m_sinksListed && m_sourcesListed; });
}

int PulseMixerLines::playbackLineCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_sinks.size());
}

QString PulseMixerLines::playbackLineName(int index) const
{
    return nameAt(MixerLineKind::Playback, index);
}

MixerLineId PulseMixerLines::playbackLineId(int index) const
{
    return idAt(MixerLineKind::Playback, index);
}

int PulseMixerLines::recordingLineCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_sources.size());
}

QString PulseMixerLines::recordingLineName(int index) const
{
    return nameAt(MixerLineKind::Recording, index);
}

MixerLineId PulseMixerLines::recordingLineId(int index) const
{
    return idAt(MixerLineKind::Recording, index);
}

QString PulseMixerLines::recordingSourceName(MixerLineId line) const
{
    if (line.kind != MixerLineKind::Recording)
        return {};
    std::lock_guard lock(m_mutex);
    const Line *found = find(line);
    return found ? found->name : QString();
}

void PulseMixerLines::setCurrentLine(MixerLineId line)
{
    if (m_connection.mainloop()) {
        PulseConnection::Lock lock(m_connection);
        m_current = line;
        updateMeter(readyContext());
    } else {
        m_current = line;
    }
    // The new line's first level is a moment away; the old line's level must not stand.
    emit levelChanged(0.0);
}

bool PulseMixerLines::hasBalance(MixerLineId line) const
{
    std::lock_guard lock(m_mutex);
    const Line *found = find(line);
    return found && pa_channel_map_can_balance(&found->channelMap);
}

int PulseMixerLines::balance(MixerLineId line) const
{
    std::lock_guard lock(m_mutex);
    const Line *found = find(line);
    if (!found || !pa_channel_map_can_balance(&found->channelMap))
        return 0;
    const float value = pa_cvolume_get_balance(&found->volume, &found->channelMap);
    return std::clamp(static_cast<int>(std::lround(value * balanceScale)), -balanceScale, balanceScale);
}

void PulseMixerLines::setBalance(int value, MixerLineId line)
{
    if (!m_connection.mainloop())
        return;
    PulseConnection::Lock loopLock(m_connection);
    pa_context *context = readyContext();
    if (!context)
        return;
    pa_cvolume volume;
    {
        std::lock_guard lock(m_mutex);
        const Line *found = find(line);
        if (!found || !pa_channel_map_can_balance(&found->channelMap))
            return;
        volume = found->volume;
        const float wanted = static_cast<float>(std::clamp(value, -balanceScale, balanceScale)) / balanceScale;
        if (!pa_cvolume_set_balance(&volume, &found->channelMap, wanted))
            return;
    }
    if (!request(line.kind == MixerLineKind::Playback
            ? pa_context_set_sink_volume_by_index(context, line.index, &volume, &writeDoneCallback, this)
            : pa_context_set_source_volume_by_index(context, line.index, &volume, &writeDoneCallback, this)))
        return;
    {
        std::lock_guard lock(m_mutex);
        if (Line *found = find(line))
            found->volume = volume;
    }
    noteWriteSent(line);
}

int PulseMixerLines::controlValue(MixerControl control, MixerLineId line) const
{
    std::lock_guard lock(m_mutex);
    const Line *found = find(line);
    if (!found)
        return 0;
    switch (control) {
    case MixerControl::Mute:
        return found->mute ? 1 : 0;
    }
    return 0;
}

void PulseMixerLines::setControlValue(MixerControl control, int value, MixerLineId line)
{
    if (control != MixerControl::Mute || !m_connection.mainloop())
        return;
    PulseConnection::Lock loopLock(m_connection);
    pa_context *context = readyContext();
    if (!context)
        return;
    {
        std::lock_guard lock(m_mutex);
        if (!find(line))
            return;
    }
    const int mute = value != 0 ? 1 : 0;
    if (!request(line.kind == MixerLineKind::Playback
            ? pa_context_set_sink_mute_by_index(context, line.index, mute, &writeDoneCallback, this)
            : pa_context_set_source_mute_by_index(context, line.index, mute, &writeDoneCallback, this)))
        return;
    {
        std::lock_guard lock(m_mutex);
        if (Line *found = find(line))
            found->mute = mute != 0;
    }
    noteWriteSent(line);
}

PulseMixerLines::Line PulseMixerLines::lineOf(const pa_sink_info &info)
{
    Line line;
    line.index = info.index;
    line.name = QString::fromUtf8(info.name);
    line.description = describe(info.description, info.name);
    line.volume = info.volume;
    line.channelMap = info.channel_map;
    line.mute = info.mute != 0;
    line.meterSource = info.monitor_source;
    return line;
}

PulseMixerLines::Line PulseMixerLines::lineOf(const pa_source_info &info)
{
    Line line;
    line.index = info.index;
    line.name = QString::fromUtf8(info.name);
    line.description = describe(info.description, info.name);
    line.volume = info.volume;
    line.channelMap = info.channel_map;
    line.mute = info.mute != 0;
    line.meterSource = info.index;
    return line;
}

MixerLineKind PulseMixerLines::kindOf(const pa_sink_info *)
{
    return MixerLineKind::Playback;
}

MixerLineKind PulseMixerLines::kindOf(const pa_source_info *)
{
    return MixerLineKind::Recording;
}

template <typename Info>
void PulseMixerLines::listCallback(pa_context *context, const Info *info, int eol, void *self)
{
    auto *lines = static_cast<PulseMixerLines *>(self);
    const MixerLineKind kind = kindOf(info);
    std::vector<Line> &incoming = kind == MixerLineKind::Playback ? lines->m_incomingSinks : lines->m_incomingSources;
    if (eol == 0 && info) {
        incoming.push_back(lineOf(*info));
        return;
    }
    // An error ends the list too; what arrived is the best knowledge there is.
    lines->replaceLines(kind, std::move(incoming));
    incoming.clear();
    lines->updateMeter(context);
}

template <typename Info>
void PulseMixerLines::infoCallback(pa_context *context, const Info *info, int eol, void *self)
{
    auto *lines = static_cast<PulseMixerLines *>(self);
    // A line that went away answers with an error; its removal event follows.
    if (eol != 0 || !info)
        return;
    lines->upsertLine(kindOf(info), lineOf(*info));
    lines->updateMeter(context);
}

pa_subscription_mask_t PulseMixerLines::subscriptions() const
{
    return static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE
                                               | PA_SUBSCRIPTION_MASK_SERVER);
}

void PulseMixerLines::serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index)
{
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
        request(pa_context_get_server_info(context, &serverInfoCallback, this));
        return;
    }
    const MixerLineId line{facility == PA_SUBSCRIPTION_EVENT_SINK ? MixerLineKind::Playback : MixerLineKind::Recording,
                           index};
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
        removeLine(line);
        updateMeter(context);
    } else {
        refetch(context, line);
    }
}

void PulseMixerLines::writeDoneCallback(pa_context *context, int, void *self)
{
    auto *lines = static_cast<PulseMixerLines *>(self);
    if (lines->m_writesInFlight.empty())
        return;
    const MixerLineId line = lines->m_writesInFlight.front();
    lines->m_writesInFlight.pop_front();
    bool settled = false;
    {
        std::lock_guard lock(lines->m_mutex);
        if (Line *found = lines->find(line))
            settled = --found->writesInFlight == 0;
    }
    // Reports that came while writes were pending were ignored; this one catches up.
    if (settled)
        lines->refetch(context, line);
}

void PulseMixerLines::serverInfoCallback(pa_context *, const pa_server_info *info, void *self)
{
    auto *lines = static_cast<PulseMixerLines *>(self);
    if (!info)
        return;
    {
        std::lock_guard lock(lines->m_mutex);
        const QString name = QString::fromUtf8(info->default_sink_name ? info->default_sink_name : "");
        if (name == lines->m_defaultSinkName)
            return;
        lines->m_defaultSinkName = name;
    }
    lines->postChanged();
}

void PulseMixerLines::connectionReady(pa_context *context)
{
    m_writesInFlight.clear();
    m_meter.stop();
    m_incomingSinks.clear();
    m_incomingSources.clear();
    request(pa_context_get_server_info(context, &serverInfoCallback, this));
    request(pa_context_get_sink_info_list(context, &listCallback<pa_sink_info>, this));
    request(pa_context_get_source_info_list(context, &listCallback<pa_source_info>, this));
}

void PulseMixerLines::refetch(pa_context *context, MixerLineId line)
{
    if (line.kind == MixerLineKind::Playback)
        request(pa_context_get_sink_info_by_index(context, line.index, &infoCallback<pa_sink_info>, this));
    else
        request(pa_context_get_source_info_by_index(context, line.index, &infoCallback<pa_source_info>, this));
}

void PulseMixerLines::replaceLines(MixerLineKind kind, std::vector<Line> lines)
{
    std::sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) { return a.index < b.index; });
    bool replaced = false;
    {
        std::lock_guard lock(m_mutex);
        linesOf(kind) = std::move(lines);
        (kind == MixerLineKind::Playback ? m_sinksListed : m_sourcesListed) = true;
        replaced = m_relisting && m_sinksListed && m_sourcesListed;
        if (replaced)
            m_relisting = false;
    }
    m_listedCondition.notify_all();
    if (replaced)
        QMetaObject::invokeMethod(this, &MixerLines::linesReplaced, Qt::QueuedConnection);
    postChanged();
}

void PulseMixerLines::upsertLine(MixerLineKind kind, Line line)
{
    {
        std::lock_guard lock(m_mutex);
        std::vector<Line> &lines = linesOf(kind);
        auto at = std::lower_bound(lines.begin(), lines.end(), line.index,
                                   [](const Line &l, std::uint32_t index) { return l.index < index; });
        if (at == lines.end() || at->index != line.index) {
            lines.insert(at, std::move(line));
        } else if (at->writesInFlight > 0) {
            // Keep the values this program has sent and not yet seen answered.
            line.volume = at->volume;
            line.mute = at->mute;
            line.writesInFlight = at->writesInFlight;
            *at = std::move(line);
        } else {
            *at = std::move(line);
        }
    }
    postChanged();
}

void PulseMixerLines::removeLine(MixerLineId line)
{
    {
        std::lock_guard lock(m_mutex);
        std::vector<Line> &lines = linesOf(line.kind);
        std::erase_if(lines, [&](const Line &l) { return l.index == line.index; });
    }
    postChanged();
}

void PulseMixerLines::postChanged()
{
    QMetaObject::invokeMethod(&m_coalesce, qOverload<>(&QTimer::start), Qt::QueuedConnection);
}

void PulseMixerLines::updateMeter(pa_context *context)
{
    std::uint32_t wanted = PulseLevelMeter::noSource;
    {
        std::lock_guard lock(m_mutex);
        if (const Line *found = find(m_current))
            wanted = found->meterSource;
    }
    m_meter.follow(context, wanted);
}

void PulseMixerLines::noteWriteSent(MixerLineId line)
{
    {
        std::lock_guard lock(m_mutex);
        if (Line *found = find(line))
            ++found->writesInFlight;
    }
    m_writesInFlight.push_back(line);
}

void PulseMixerLines::connectionLost()
{
    m_meter.stop();
    m_writesInFlight.clear();
    {
        std::lock_guard lock(m_mutex);
        m_sinks.clear();
        m_sources.clear();
        m_sinksListed = m_sourcesListed = false;
        m_relisting = true;
    }
    postChanged();
}

pa_context *PulseMixerLines::readyContext() const
{
    return m_connection.isReady() ? m_connection.context() : nullptr;
}

std::vector<PulseMixerLines::Line> &PulseMixerLines::linesOf(MixerLineKind kind)
{
    return kind == MixerLineKind::Playback ? m_sinks : m_sources;
}

const std::vector<PulseMixerLines::Line> &PulseMixerLines::linesOf(MixerLineKind kind) const
{
    return kind == MixerLineKind::Playback ? m_sinks : m_sources;
}

PulseMixerLines::Line *PulseMixerLines::find(MixerLineId line)
{
    std::vector<Line> &lines = linesOf(line.kind);
    auto found = std::find_if(lines.begin(), lines.end(), [&](const Line &l) { return l.index == line.index; });
    return found == lines.end() ? nullptr : &*found;
}

const PulseMixerLines::Line *PulseMixerLines::find(MixerLineId line) const
{
    return const_cast<PulseMixerLines *>(this)->find(line);
}

MixerLineId PulseMixerLines::idAt(MixerLineKind kind, int index) const
{
    std::lock_guard lock(m_mutex);
    const std::vector<Line> &lines = linesOf(kind);
    if (index < 0 || index >= static_cast<int>(lines.size()))
        return MixerLineId{kind, MixerLineId::noIndex};
    return MixerLineId{kind, lines[storedAt(kind, index)].index};
}

std::size_t PulseMixerLines::storedAt(MixerLineKind kind, int position) const
{
    const auto at = static_cast<std::size_t>(position);
    if (kind == MixerLineKind::Playback)
        return at;
    const auto sink = std::find_if(m_sinks.begin(), m_sinks.end(),
                                   [this](const Line &l) { return l.name == m_defaultSinkName; });
    if (sink == m_sinks.end())
        return at;
    const auto monitor = std::find_if(m_sources.begin(), m_sources.end(),
                                      [&](const Line &l) { return l.index == sink->meterSource; });
    if (monitor == m_sources.end())
        return at;
    // The default monitor moves to the front; the lines before it move down by one.
    const auto monitorAt = static_cast<std::size_t>(monitor - m_sources.begin());
    if (at == 0)
        return monitorAt;
    return at <= monitorAt ? at - 1 : at;
}

QString PulseMixerLines::nameAt(MixerLineKind kind, int index) const
{
    std::lock_guard lock(m_mutex);
    const std::vector<Line> &lines = linesOf(kind);
    if (index < 0 || index >= static_cast<int>(lines.size()))
        return {};
    return lines[storedAt(kind, index)].description;
}
