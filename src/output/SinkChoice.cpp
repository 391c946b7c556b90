#include "output/SinkChoice.h"

#include "platform/AudioOutput.h"
#include "platform/AudioSinks.h"

#include <algorithm>

SinkChoice::SinkChoice(AudioSinks &sinks, AudioOutput &output, const QString &chosen, QObject *parent)
    : QObject(parent)
    , m_sinks(sinks)
    , m_output(output)
    , m_chosen(chosen)
{
    connect(&m_sinks, &AudioSinks::changed, this, &SinkChoice::onSinksChanged);
    noteChosenDescription();
    route();
}

QString SinkChoice::defaultCaption()
{
    return tr("The Desktop's Default");
}

bool SinkChoice::isChosenAbsent() const
{
    if (m_chosen.isEmpty() || !m_sinks.isListed())
        return false;
    const std::vector<AudioSink> sinks = m_sinks.sinks();
    return std::none_of(sinks.begin(), sinks.end(), [this](const AudioSink &s) { return s.name == m_chosen; });
}

QString SinkChoice::routedSink() const
{
    return isChosenAbsent() ? QString() : m_chosen;
}

std::vector<SinkChoice::Entry> SinkChoice::entries() const
{
    std::vector<Entry> entries{{QString(), defaultCaption(), m_chosen.isEmpty()}};
    const std::vector<AudioSink> sinks = m_sinks.sinks();
    const auto sharedDescription = [&](const AudioSink &sink) {
        return std::count_if(sinks.begin(), sinks.end(),
                             [&](const AudioSink &s) { return s.description == sink.description; }) > 1;
    };
    for (const AudioSink &sink : sinks) {
        const QString caption = sharedDescription(sink) ? tr("%1 (%2)").arg(sink.description, sink.name) : sink.description;
        entries.push_back({sink.name, caption, sink.name == m_chosen});
    }
    const bool listed = std::any_of(entries.begin(), entries.end(), [](const Entry &e) { return e.checked; });
    if (!listed) {
        const QString shown = m_chosenDescription.isEmpty() ? m_chosen : m_chosenDescription;
        entries.push_back({m_chosen, isChosenAbsent() ? tr("%1 (absent)").arg(shown) : shown, true});
    }
    return entries;
}

void SinkChoice::choose(const QString &name)
{
    if (name == m_chosen)
        return;
    m_chosen = name;
    m_chosenDescription.clear();
    noteChosenDescription();
    route();
    emit chosenChanged(m_chosen);
    emit entriesChanged();
}

void SinkChoice::onSinksChanged()
{
    noteChosenDescription();
    // Also when the routed sink stays: the server may have moved the stream meanwhile.
    route();
    emit entriesChanged();
}

void SinkChoice::noteChosenDescription()
{
    for (const AudioSink &sink : m_sinks.sinks()) {
        if (sink.name == m_chosen)
            m_chosenDescription = sink.description;
    }
}

void SinkChoice::route()
{
    m_output.setSink(routedSink());
}
