#include "night/NightFeatures.h"

#include "engine/PauseControl.h"
#include "engine/SoundEngine.h"
#include "night/MixGlide.h"
#include "night/ScheduledMixes.h"
#include "night/SleepTimer.h"
#include "platform/UserMessages.h"

#include <algorithm>

NightFeatures::NightFeatures(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_sleep(std::make_unique<SleepTimer>(*services.clock, services.engine->mixer().outputGain(), *services.pause))
    , m_glide(std::make_unique<MixGlide>(*services.controls, *services.engine, *services.clock))
    , m_scheduled(std::make_unique<ScheduledMixes>(*services.clock, *m_glide, *services.messages, services.window))
{
    const Preferences &preferences = *services.preferences;
    m_scheduled->setEntries(preferences.schedule());
    const Preferences::Drift drift = preferences.drift();
    services.engine->mixer().drift().setSeed(drift.seed);
    m_driftEnabled = drift.enabled;
    if (std::find(driftDepths.begin(), driftDepths.end(), drift.depth) != driftDepths.end())
        m_driftDepth = drift.depth;
    services.engine->mixer().drift().setDepth(m_driftEnabled ? m_driftDepth : 0);

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
    emit changed();
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

void NightFeatures::startSleepTimer(const Preferences::Sleep &plan)
{
    QString reason;
    keep(m_services.preferences->setSleep(plan, &reason), reason);
    m_sleep->start(plan);
}

void NightFeatures::sleepFor(std::chrono::minutes length)
{
    Preferences::Sleep plan = m_services.preferences->sleep();
    plan.minutes = int(std::min<std::chrono::minutes::rep>(length.count(), Preferences::longestSleepMinutes));
    plan.atClockTime = false;
    m_sleep->start(plan);
}

void NightFeatures::setSchedule(const QList<Preferences::ScheduleEntry> &entries)
{
    m_scheduled->setEntries(entries);
    QString reason;
    keep(m_services.preferences->setSchedule(entries, &reason), reason);
}

void NightFeatures::setDrift(bool enabled, int depth)
{
    m_driftEnabled = enabled;
    m_driftDepth = depth;
    m_services.engine->mixer().drift().setDepth(enabled ? depth : 0);
    Preferences::Drift drift = m_services.preferences->drift();
    drift.enabled = enabled;
    drift.depth = depth;
    QString reason;
    keep(m_services.preferences->setDrift(drift, &reason), reason);
}
