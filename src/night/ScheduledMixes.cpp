#include "night/ScheduledMixes.h"

#include "night/MixGlide.h"
#include "platform/Clock.h"
#include "platform/UserMessages.h"
#include "settings/MixFile.h"

ScheduledMixes::ScheduledMixes(Clock &clock, MixGlide &glide, UserMessages &messages, QWidget *window,
                               QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_glide(glide)
    , m_messages(messages)
    , m_window(window)
{
    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, &ScheduledMixes::tick);
    m_timer.start();
    m_schedule.check(m_clock.now());
}

void ScheduledMixes::setEntries(const QList<MixSchedule::Entry> &entries)
{
    m_schedule.setEntries(entries);
}

void ScheduledMixes::tick()
{
    bool changed = false;
    const int due = m_schedule.check(m_clock.now(), &changed);
    if (changed)
        emit entriesChanged();
    if (due >= 0)
        fire(m_schedule.entries()[due]);
}

void ScheduledMixes::fire(const MixSchedule::Entry &entry)
{
    QString reason;
    const std::optional<MixRecord> record = MixFile::read(entry.file, &reason);
    if (!record) {
        // Whoever reads this may have been asleep when it came: it says which schedule it was.
        m_messages.warn(m_window, QStringLiteral("The mix scheduled for %1 did not start: the mix file \"%2\" was not "
                                                 "loaded, because %3. Nothing was changed.")
                                      .arg(entry.time.toString(QStringLiteral("HH:mm")), entry.file, reason));
        return;
    }
    m_glide.start(*record, entry.glideMinutes);
    emit mixStarted(entry.file);
}
