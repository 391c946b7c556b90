#include "night/NightFeatures.h"

#include "engine/PauseControl.h"
#include "engine/SoundEngine.h"
#include "night/MixGlide.h"
#include "night/ScheduleWindow.h"
#include "night/ScheduledMixes.h"
#include "night/SleepTimer.h"
#include "night/SleepTimerWindow.h"
#include "platform/UserMessages.h"
#include "widgets/MirrorAction.h"
#include "settings/Preferences.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace {

// Hundredths of a decibel.
constexpr int depths[] = {100, 200, 300, 450, 600};

}

NightFeatures::NightFeatures(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_sleep(std::make_unique<SleepTimer>(*services.clock, services.engine->mixer().outputGain(), *services.pause))
    , m_glide(std::make_unique<MixGlide>(*services.controls, *services.engine, *services.clock))
    , m_scheduled(std::make_unique<ScheduledMixes>(*services.clock, *m_glide, *services.messages, services.window))
{
    const Preferences &preferences = *services.preferences;
    m_scheduled->setEntries(preferences.schedule());
    services.engine->mixer().drift().setSeed(preferences.drift().seed);

    buildActions();
    // The depth that plays is the one the menu shows, also for a depth edited by hand that
    // the menu does not offer.
    const int shownDepth = m_depths->checkedAction()->data().toInt();
    services.engine->mixer().drift().setDepth(preferences.drift().enabled ? shownDepth : 0);
    connect(m_services.pause, &PauseControl::pausedChanged, this, &NightFeatures::refresh);
    connect(m_sleep.get(), &SleepTimer::changed, this, &NightFeatures::refresh);
    connect(m_sleep.get(), &SleepTimer::exitRequested, this, &NightFeatures::exitRequested);
    connect(m_scheduled.get(), &ScheduledMixes::entriesChanged, this, [this] {
        QString reason;
        keep(m_services.preferences->setSchedule(m_scheduled->entries(), &reason), reason);
    });
    refresh();
}

NightFeatures::~NightFeatures() = default;

void NightFeatures::buildActions()
{
    m_pauseAction = new QAction(this);
    m_pauseAction->setObjectName(QStringLiteral("pausePlay"));
    m_pauseAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
    m_pauseAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_pauseAction, &QAction::triggered, m_services.pause, &PauseControl::toggle);

    m_sleepAction = new QAction(this);
    m_sleepAction->setObjectName(QStringLiteral("sleepTimer"));
    connect(m_sleepAction, &QAction::triggered, this, &NightFeatures::openSleepTimer);
    m_cancelSleepAction = new QAction(tr("&Cancel Sleep Timer"), this);
    m_cancelSleepAction->setObjectName(QStringLiteral("cancelSleepTimer"));
    connect(m_cancelSleepAction, &QAction::triggered, m_sleep.get(), &SleepTimer::cancel);

    m_scheduleAction = new QAction(tr("Scheduled &Mixes…"), this);
    m_scheduleAction->setObjectName(QStringLiteral("scheduledMixes"));
    connect(m_scheduleAction, &QAction::triggered, this, &NightFeatures::openSchedule);

    const Preferences::Drift drift = m_services.preferences->drift();
    m_driftAction = new QAction(tr("&Drift"), this);
    m_driftAction->setObjectName(QStringLiteral("drift"));
    m_driftAction->setCheckable(true);
    m_driftAction->setChecked(drift.enabled);
    connect(m_driftAction, &QAction::toggled, this, [this](bool on) {
        setDrift(on, m_depths->checkedAction()->data().toInt());
    });
    m_depths = new QActionGroup(this);
    for (int depth : depths) {
        QAction *action = m_depths->addAction(tr("±&%1 dB").arg(depth / 100.0));
        action->setCheckable(true);
        action->setData(depth);
        action->setChecked(depth == drift.depth);
    }
    if (!m_depths->checkedAction())
        m_depths->actions().at(2)->setChecked(true);
    connect(m_depths, &QActionGroup::triggered, this, [this](QAction *action) {
        setDrift(m_driftAction->isChecked(), action->data().toInt());
    });
}

void NightFeatures::addToMenus(QMenu *playback, QMenu *tray)
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

void NightFeatures::reportPreferenceProblems()
{
    const QString problem = m_services.preferences->problem();
    if (!problem.isEmpty())
        m_services.messages->warn(m_services.window, problem);
}

QString NightFeatures::remainingText(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const QString secondsText = QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (hours > 0)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(secondsText);
    return QStringLiteral("%1:%2").arg(minutes).arg(secondsText);
}

QString NightFeatures::status() const
{
    QStringList lines;
    if (m_services.pause->isPaused())
        lines << tr("Paused");
    // Whole minutes, so that the tooltip changes once a minute, not every second.
    if (m_sleep->isRunning()) {
        const qint64 minutes = (m_sleep->remainingSeconds() + 59) / 60;
        lines << (minutes >= 60 ? tr("Sleep timer: %1 h %2 min left").arg(minutes / 60).arg(minutes % 60)
                                : tr("Sleep timer: %1 min left").arg(minutes));
    }
    return lines.join(QLatin1Char('\n'));
}

void NightFeatures::refresh()
{
    const bool paused = m_services.pause->isPaused();
    m_pauseAction->setText(paused ? tr("&Play") : tr("&Pause"));
    m_pauseAction->setToolTip(paused ? tr("Fade the sound back in") : tr("Fade the sound out; the mix stays as set"));
    m_sleepAction->setText(m_sleep->isRunning()
                               ? tr("&Sleep Timer… (%1 left)").arg(remainingText(m_sleep->remainingSeconds()))
                               : tr("&Sleep Timer…"));
    m_cancelSleepAction->setEnabled(m_sleep->isRunning());
    const QString now = status();
    if (now != m_lastStatus) {
        m_lastStatus = now;
        emit statusChanged(now);
    }
}

void NightFeatures::keep(bool written, const QString &reason)
{
    if (!written)
        m_services.messages->warn(m_services.window,
                                  tr("The night preferences could not be kept, because %1. They stay in force "
                                     "until Sonivale ends.")
                                      .arg(reason));
}

void NightFeatures::openSleepTimer()
{
    SleepTimerWindow window(m_services.preferences->sleep(), m_services.window);
    if (window.exec() != QDialog::Accepted)
        return;
    QString reason;
    keep(m_services.preferences->setSleep(window.plan(), &reason), reason);
    m_sleep->start(window.plan());
}

void NightFeatures::openSchedule()
{
    ScheduleWindow window(m_services.preferences->schedule(), *m_services.fileDialogs, m_services.mixFolder,
                          m_services.window);
    if (window.exec() != QDialog::Accepted)
        return;
    m_scheduled->setEntries(window.entries());
    QString reason;
    keep(m_services.preferences->setSchedule(window.entries(), &reason), reason);
}

void NightFeatures::setDrift(bool enabled, int depth)
{
    m_services.engine->mixer().drift().setDepth(enabled ? depth : 0);
    Preferences::Drift drift = m_services.preferences->drift();
    drift.enabled = enabled;
    drift.depth = depth;
    QString reason;
    keep(m_services.preferences->setDrift(drift, &reason), reason);
}
