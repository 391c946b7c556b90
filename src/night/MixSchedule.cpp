#include "night/MixSchedule.h"

MixSchedule::MixSchedule(const QList<Entry> &entries)
    : m_entries(entries)
{
}

QDateTime MixSchedule::lastOccurrence(const QTime &time, const QDateTime &now)
{
    const QDateTime today(now.date(), time);
    return today <= now ? today : QDateTime(now.date().addDays(-1), time);
}

int MixSchedule::check(const QDateTime &now, bool *entriesChanged)
{
    if (entriesChanged)
        *entriesChanged = false;
    // The first check, and a clock set back, only mark where counting starts.
    if (!m_lastCheck.isValid() || now < m_lastCheck) {
        m_lastCheck = now;
        return -1;
    }
    int due = -1;
    QDateTime dueAt;
    for (int i = 0; i < m_entries.size(); ++i) {
        Entry &entry = m_entries[i];
        if (!entry.enabled || !entry.time.isValid())
            continue;
        const QDateTime at = lastOccurrence(entry.time, now);
        if (at <= m_lastCheck)
            continue;
        if (!entry.daily) {
            entry.enabled = false;
            if (entriesChanged)
                *entriesChanged = true;
        }
        if (at.secsTo(now) <= graceSeconds && (due < 0 || at > dueAt)) {
            due = i;
            dueAt = at;
        }
    }
    m_lastCheck = now;
    return due;
}
