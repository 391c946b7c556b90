#pragma once

#include <QObject>
#include <QString>

#include <memory>

class ChannelControls;
class Clock;
class FileDialogs;
class MixGlide;
class PauseControl;
class Preferences;
class QAction;
class QActionGroup;
class QMenu;
class QWidget;
class ScheduledMixes;
class SleepTimer;
class SoundEngine;
class UserMessages;

// The night features beside the console: pause and play, the sleep timer, the scheduled
// mixes and the drift, with their entries for the "Playback" menu and the tray menu, and
// a status line for the tray icon's tooltip. Their choices live in the preferences file.
class NightFeatures : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        ChannelControls *controls;
        SoundEngine *engine;
        PauseControl *pause;
        Clock *clock;
        UserMessages *messages;
        FileDialogs *fileDialogs;
        Preferences *preferences;
        QWidget *window;   // parents the small windows and the messages
        QString mixFolder; // where the schedule's file dialog starts, until setMixFolder()
    };

    explicit NightFeatures(const Services &services, QObject *parent = nullptr);
    ~NightFeatures() override;

    // Puts the entries into both menus, in the tray's before the entries it holds; the
    // shortcut for pause and play works on `window`.
    void addToMenus(QMenu *playback, QMenu *tray);
    // Says what could not be read from the preferences file, once, after start-up.
    void reportPreferenceProblems();
    // The schedule's file dialog starts where the console's mix dialogs last were.
    void setMixFolder(const QString &folder) { m_services.mixFolder = folder; }

    SleepTimer &sleepTimer() { return *m_sleep; }
    MixGlide &glide() { return *m_glide; }
    ScheduledMixes &scheduledMixes() { return *m_scheduled; }
    QAction *pauseAction() const { return m_pauseAction; }
    QAction *sleepAction() const { return m_sleepAction; }
    QAction *cancelSleepAction() const { return m_cancelSleepAction; }
    QAction *driftAction() const { return m_driftAction; }

    // What the tooltip adds to the product name: paused, and the sleep timer's time left
    // in minutes.
    QString status() const;
    // "1:05:09" or "4:07" for a time left in seconds.
    static QString remainingText(qint64 seconds);

    // The actions' own work, as the menus run it.
    void openSleepTimer();
    void openSchedule();
    void setDrift(bool enabled, int depth);

signals:
    void statusChanged(const QString &status);
    // The sleep timer ran out and was told to end the program.
    void exitRequested();

private:
    void buildActions();
    void refresh();
    void keep(bool written, const QString &reason);

    Services m_services;
    std::unique_ptr<SleepTimer> m_sleep;
    std::unique_ptr<MixGlide> m_glide;
    std::unique_ptr<ScheduledMixes> m_scheduled;
    QAction *m_pauseAction = nullptr;
    QAction *m_sleepAction = nullptr;
    QAction *m_cancelSleepAction = nullptr;
    QAction *m_scheduleAction = nullptr;
    QAction *m_driftAction = nullptr;
    QActionGroup *m_depths = nullptr;
    QString m_lastStatus;
};
