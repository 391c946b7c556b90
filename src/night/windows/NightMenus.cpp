#include "night/windows/NightMenus.h"

#include "engine/PauseControl.h"
#include "night/NightFeatures.h"
#include "night/SleepTimer.h"
#include "night/windows/ScheduleWindow.h"
#include "night/windows/SleepTimerWindow.h"
#include "widgets/MirrorAction.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

NightMenus::NightMenus(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
{
    buildActions();
    connect(m_services.night, &NightFeatures::changed, this, &NightMenus::refresh);
    refresh();
}

void NightMenus::buildActions()
{
    NightFeatures &night = *m_services.night;
    m_pauseAction = new QAction(this);
    m_pauseAction->setObjectName(QStringLiteral("pausePlay"));
    m_pauseAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
    m_pauseAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_pauseAction, &QAction::triggered, &night.pauseControl(), &PauseControl::toggle);

    m_sleepAction = new QAction(this);
    m_sleepAction->setObjectName(QStringLiteral("sleepTimer"));
    connect(m_sleepAction, &QAction::triggered, this, &NightMenus::openSleepTimer);
    m_cancelSleepAction = new QAction(tr("&Cancel Sleep Timer"), this);
    m_cancelSleepAction->setObjectName(QStringLiteral("cancelSleepTimer"));
    connect(m_cancelSleepAction, &QAction::triggered, &night.sleepTimer(), &SleepTimer::cancel);

    m_scheduleAction = new QAction(tr("Scheduled &Mixes…"), this);
    m_scheduleAction->setObjectName(QStringLiteral("scheduledMixes"));
    connect(m_scheduleAction, &QAction::triggered, this, &NightMenus::openSchedule);

    m_driftAction = new QAction(tr("&Drift"), this);
    m_driftAction->setObjectName(QStringLiteral("drift"));
    m_driftAction->setCheckable(true);
    m_driftAction->setChecked(night.driftEnabled());
    connect(m_driftAction, &QAction::toggled, this, [this](bool on) {
        m_services.night->setDrift(on, m_depths->checkedAction()->data().toInt());
    });
    m_depths = new QActionGroup(this);
    for (int depth : NightFeatures::driftDepths) {
        QAction *action = m_depths->addAction(tr("±&%1 dB").arg(depth / 100.0));
        action->setCheckable(true);
        action->setData(depth);
        action->setChecked(depth == night.driftDepth());
    }
    connect(m_depths, &QActionGroup::triggered, this, [this](QAction *action) {
        m_services.night->setDrift(m_driftAction->isChecked(), action->data().toInt());
    });
}

void NightMenus::addToMenus(QMenu *playback, QMenu *tray)
{
    playback->addAction(m_pauseAction);
    playback->addSeparator();
    playback->addAction(m_sleepAction);
    playback->addAction(m_cancelSleepAction);
    playback->addSeparator();
    playback->addAction(m_scheduleAction);
    playback->addSeparator();
    playback->addAction(m_driftAction);
    QMenu *depth = playback->addMenu(tr("Drift Dept&h"));
    depth->setObjectName(QStringLiteral("driftDepth"));
    depth->addActions(m_depths->actions());
    if (m_services.window)
        m_services.window->addAction(m_pauseAction);

    // Playback opens the tray's menu, above the entries it already holds, so that "Exit"
    // stays last: a hand reaching for "Pause" in the dark must not find it.
    QAction *held = tray->actions().value(0);
    MirrorAction::addMirrors(tray, {m_pauseAction, m_sleepAction, m_cancelSleepAction, m_scheduleAction, m_driftAction},
                             held);
    if (held)
        tray->insertSeparator(held);
}

void NightMenus::refresh()
{
    NightFeatures &night = *m_services.night;
    const bool paused = night.pauseControl().isPaused();
    m_pauseAction->setText(paused ? tr("&Play") : tr("&Pause"));
    m_pauseAction->setToolTip(paused ? tr("Fade the sound back in") : tr("Fade the sound out; the mix stays as set"));
    const SleepTimer &sleep = night.sleepTimer();
    m_sleepAction->setText(sleep.isRunning()
                               ? tr("&Sleep Timer… (%1 left)").arg(NightFeatures::remainingText(sleep.remainingSeconds()))
                               : tr("&Sleep Timer…"));
    m_cancelSleepAction->setEnabled(sleep.isRunning());
}

void NightMenus::openSleepTimer()
{
    SleepTimerWindow window(m_services.night->preferences().sleep(), m_services.window);
    if (window.exec() != QDialog::Accepted)
        return;
    m_services.night->startSleepTimer(window.plan());
}

void NightMenus::openSchedule()
{
    ScheduleWindow window(m_services.night->preferences().schedule(), *m_services.fileDialogs, m_services.mixFolder,
                          m_services.window);
    if (window.exec() != QDialog::Accepted)
        return;
    m_services.night->setSchedule(window.entries());
}
