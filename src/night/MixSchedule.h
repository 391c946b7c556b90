#pragma once

#include "settings/Preferences.h"

#include <QDateTime>
#include <QList>

// The list of scheduled mixes and which of them falls due, on the wall clock.
//
// check() is called now and then with the clock's time. An entry falls due when its time
// of day passed since the last check. When the clock jumped (the machine slept), an entry
// whose time lies further back than the grace is missed, not fired late; when several fall
// due at once, only the latest fires, so waking never plays a burst of mixes. A one-time
// entry is switched off once its time has passed, fired or missed.
class MixSchedule
{
public:
    static constexpr qint64 graceSeconds = 120;

    using Entry = Preferences::ScheduleEntry;

    explicit MixSchedule(const QList<Entry> &entries = {});

    const QList<Entry> &entries() const { return m_entries; }
    void setEntries(const QList<Entry> &entries) { m_entries = entries; }

    // The index of the entry to fire at `now`, or -1. `entriesChanged` (when given) is set
    // when a one-time entry was switched off.
    int check(const QDateTime &now, bool *entriesChanged = nullptr);

    // The latest time at or before `now` that the clock showed `time`.
    static QDateTime lastOccurrence(const QTime &time, const QDateTime &now);

private:
    QList<Entry> m_entries;
    QDateTime m_lastCheck;
};
