#include "night/SleepTimer.h"

#include "engine/OutputGain.h"
#include "engine/PauseControl.h"
#include "platform/Clock.h"

#include <algorithm>

SleepTimer::SleepTimer(Clock &clock, OutputGain &gain, PauseControl &pause, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_gain(gain)
    , m_pause(pause)
{
    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, &SleepTimer::tick);
    connect(&m_pause, &PauseControl::pausedChanged, this, &SleepTimer::onPausedChanged);
}

QDateTime SleepTimer::endOf(const Preferences::Sleep &plan, const QDateTime &now)
{
    if (!plan.atClockTime)
        return now.addSecs(60LL * std::clamp(plan.minutes, 1, Preferences::longestSleepMinutes));
    QDateTime end(now.date(), plan.clockTime);
    if (end <= now)
        end = QDateTime(now.date().addDays(1), plan.clockTime);
    return end;
}

float SleepTimer::levelAt(const QDateTime &start, const QDateTime &end, bool wholeDuration, int fadeMinutes,
                          const QDateTime &now)
{
    const QDateTime fadeStart = wholeDuration ? start : std::max(start, end.addSecs(-60LL * fadeMinutes));
    const qint64 fadeMs = fadeStart.msecsTo(end);
    if (now <= fadeStart || fadeMs <= 0)
        return now >= end ? OutputGain::silenceDecibels : 0.0f;
    const double done = std::min(1.0, static_cast<double>(fadeStart.msecsTo(now)) / static_cast<double>(fadeMs));
    return static_cast<float>(done * OutputGain::silenceDecibels);
}

void SleepTimer::start(const Preferences::Sleep &plan)
{
    m_plan = plan;
    m_start = m_clock.now();
    m_end = endOf(plan, m_start);
    m_running = true;
    m_silencedAtEnd = false;
    m_timer.start();
    tick();
}

void SleepTimer::cancel()
{
    m_timer.stop();
    m_running = false;
    m_gain.setLevel(0.0f);
    emit changed();
}

qint64 SleepTimer::remainingSeconds() const
{
    if (!m_running)
        return 0;
    return std::max<qint64>(0, (m_clock.now().msecsTo(m_end) + 999) / 1000);
}

void SleepTimer::tick()
{
    if (!m_running)
        return;
    const QDateTime now = m_clock.now();
    if (now >= m_end) {
        finish();
        return;
    }
    m_gain.setLevel(levelAt(m_start, m_end, m_plan.wholeDuration, m_plan.fadeMinutes, now));
    emit changed();
}

void SleepTimer::finish()
{
    m_timer.stop();
    m_running = false;
    m_gain.setLevel(OutputGain::silenceDecibels);
    emit changed();
    if (m_plan.exitAtEnd) {
        emit exitRequested();
        return;
    }
    m_silencedAtEnd = true;
    if (m_pause.isPaused())
        return;
    m_pause.pause();
}

void SleepTimer::onPausedChanged(bool paused)
{
    if (paused || !m_silencedAtEnd || m_running)
        return;
    m_silencedAtEnd = false;
    m_gain.setLevel(0.0f);
}
