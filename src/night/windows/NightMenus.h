#pragma once

#include <QObject>
#include <QString>

class FileDialogs;
class NightFeatures;
class QAction;
class QActionGroup;
class QMenu;
class QWidget;

// The night features' entries for the "Playback" menu and the tray menu, and the small
// windows they open: pause and play, the sleep timer, the scheduled mixes and the drift.
// They show what the night features do and hand the user's choices to them.
class NightMenus : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        NightFeatures *night;
        FileDialogs *fileDialogs;
        QWidget *window;   // parents the small windows; takes the shortcut for pause and play
        QString mixFolder; // where the schedule's file dialog starts, until setMixFolder()
    };

    explicit NightMenus(const Services &services, QObject *parent = nullptr);

    // Puts the entries into both menus, in the tray's before the entries it holds.
    void addToMenus(QMenu *playback, QMenu *tray);
    // The schedule's file dialog starts where the console's mix dialogs last were.
    void setMixFolder(const QString &folder) { m_services.mixFolder = folder; }

    QAction *pauseAction() const { return m_pauseAction; }
    QAction *sleepAction() const { return m_sleepAction; }
    QAction *cancelSleepAction() const { return m_cancelSleepAction; }
    QAction *driftAction() const { return m_driftAction; }

    // The actions' own work, as the menus run it.
    void openSleepTimer();
    void openSchedule();

private:
    void buildActions();
    void refresh();

    Services m_services;
    QAction *m_pauseAction = nullptr;
    QAction *m_sleepAction = nullptr;
    QAction *m_cancelSleepAction = nullptr;
    QAction *m_scheduleAction = nullptr;
    QAction *m_driftAction = nullptr;
    QActionGroup *m_depths = nullptr;
};
