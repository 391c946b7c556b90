#pragma once

#include "settings/Preferences.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

class Clock;
class OutputGain;
class PauseControl;

// The sleep timer: lowers the output's level evenly in decibels down to silence, over the
// last minutes or over the whole time, and at the end pauses the sound or asks for the
// program to end.
//
// It follows the wall clock: every tick compares the clock with the end time, so a timer
// set for 07:00 ends at 07:00 however long the machine slept in between. UI thread only.
class SleepTimer : public QObject
{
    Q_OBJECT

public:
    static constexpr int tickMs = 1000;

    SleepTimer(Clock &clock, OutputGain &gain, PauseControl &pause, QObject *parent = nullptr);

    // Starts the timer from now, or starts it again with a new plan.
    void start(const Preferences::Sleep &plan);
    // Stops the timer; the level comes back to full.
    void cancel();
    bool isRunning() const { return m_running; }
    QDateTime endTime() const { return m_end; }
    qint64 remainingSeconds() const;

    // The end of `plan` started at `now`: its length later, or the next time the clock
    // shows its clock time.
    static QDateTime endOf(const Preferences::Sleep &plan, const QDateTime &now);
    // The level in decibels at `now` of a fade that ends at `end`.
    static float levelAt(const QDateTime &start, const QDateTime &end, bool wholeDuration, int fadeMinutes,
                         const QDateTime &now);

    // The timer's tick; tests call it after moving their clock.
    void tick();

signals:
    // Started, cancelled, ended, or a second went by.
    void changed();
    // The time ran out and the plan said to end the program.
    void exitRequested();

private:
    void finish();
    void onPausedChanged(bool paused);

    Clock &m_clock;
    OutputGain &m_gain;
    PauseControl &m_pause;
    QTimer m_timer;
    QDateTime m_start;
    QDateTime m_end;
    Preferences::Sleep m_plan;
    bool m_running = false;
    // The sound was paused at the end in silence; "Play" brings the level back.
    bool m_silencedAtEnd = false;
};
