#pragma once

#include "settings/Preferences.h"

#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <memory>

class ChannelControls;
class Clock;
class MixGlide;
class PauseControl;
class QWidget;
class ScheduledMixes;
class SleepTimer;
class SoundEngine;
class UserMessages;

// The night features, with or without a window: pause and play, the sleep timer, the
// scheduled mixes and the drift, and a status line for whoever shows them (the tray icon's
// tooltip). Their choices live in the preferences file; a change made here is kept there.
//
// Contract: UI thread. A preferences file that cannot be written is said through the
// messages, and the change stays in force until the program ends.
class NightFeatures : public QObject
{
    Q_OBJECT

public:
    // The drift depths offered, in hundredths of a decibel; a depth edited by hand that is
    // not among them plays as the middle one.
    static constexpr std::array<int, 5> driftDepths{100, 200, 300, 450, 600};

    struct Services
    {
        ChannelControls *controls;
        SoundEngine *engine;
        PauseControl *pause;
        Clock *clock;
        UserMessages *messages;
        Preferences *preferences;
        QWidget *window; // parents the messages; null without a window
    };

    explicit NightFeatures(const Services &services, QObject *parent = nullptr);
    ~NightFeatures() override;

    // Says what could not be read from the preferences file, once, after start-up.
    void reportPreferenceProblems();

    SleepTimer &sleepTimer() { return *m_sleep; }
    MixGlide &glide() { return *m_glide; }
    ScheduledMixes &scheduledMixes() { return *m_scheduled; }
    PauseControl &pauseControl() { return *m_services.pause; }
    const Preferences &preferences() const { return *m_services.preferences; }

    // Starts the sleep timer with `plan` and keeps it as the one last chosen.
    void startSleepTimer(const Preferences::Sleep &plan);
    // Starts the sleep timer for `length` (at most the longest it runs), with the fade and
    // the end last chosen: --sleep.
    void sleepFor(std::chrono::minutes length);
    // Puts `entries` in force as the schedule and keeps them.
    void setSchedule(const QList<Preferences::ScheduleEntry> &entries);
    void setDrift(bool enabled, int depth);
    bool driftEnabled() const { return m_driftEnabled; }
    int driftDepth() const { return m_driftDepth; }

    // What the tooltip adds to the product name: paused, and the sleep timer's time left
    // in minutes.
    QString status() const;
    // "1:05:09" or "4:07" for a time left in seconds.
    static QString remainingText(qint64 seconds);

signals:
    void statusChanged(const QString &status);
    // Pause or the sleep timer changed: what a menu shows may be out of date.
    void changed();
    // The sleep timer ran out and was told to end the program.
    void exitRequested();

private:
    void refresh();
    void keep(bool written, const QString &reason);

    Services m_services;
    std::unique_ptr<SleepTimer> m_sleep;
    std::unique_ptr<MixGlide> m_glide;
    std::unique_ptr<ScheduledMixes> m_scheduled;
    bool m_driftEnabled = false;
    int m_driftDepth = driftDepths[2];
    QString m_lastStatus;
};
