#pragma once

#include "night/MixSchedule.h"

#include <QObject>
#include <QTimer>

class Clock;
class MixGlide;
class QWidget;
class UserMessages;

// Plays the schedule: checks the wall clock every few seconds and, when an entry falls
// due, reads its mix file and glides the console to it. A file that is missing or not a
// mix is reported as "Load" reports it, and changes nothing. UI thread only.
class ScheduledMixes : public QObject
{
    Q_OBJECT

public:
    static constexpr int tickMs = 5000;

    // `window` parents the messages and may be null.
    ScheduledMixes(Clock &clock, MixGlide &glide, UserMessages &messages, QWidget *window, QObject *parent = nullptr);

    const QList<MixSchedule::Entry> &entries() const { return m_schedule.entries(); }
    void setEntries(const QList<MixSchedule::Entry> &entries);

    // The schedule's tick; tests call it after moving their clock.
    void tick();

signals:
    // A one-time entry was switched off after its time; the list is worth keeping.
    void entriesChanged();
    // A scheduled mix began to glide in from `file`.
    void mixStarted(const QString &file);

private:
    void fire(const MixSchedule::Entry &entry);

    Clock &m_clock;
    MixGlide &m_glide;
    UserMessages &m_messages;
    QWidget *m_window;
    MixSchedule m_schedule;
    QTimer m_timer;
};
