#include "recorder/RecorderTimers.h"

#include "recorder/RecorderController.h"

namespace {

// Restarting a running timer would postpone its next tick, so only switch it.
void runWhile(QTimer &timer, bool on)
{
    if (on && !timer.isActive())
        timer.start();
    else if (!on && timer.isActive())
        timer.stop();
}

}

RecorderTimers::RecorderTimers(RecorderController &controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
{
    m_statusTimer.setInterval(RecorderController::statusTickInterval);
    m_statusTimer.setTimerType(Qt::PreciseTimer);
    m_clockTimer.setInterval(RecorderController::clockTickInterval);
    m_stopCheckTimer.setInterval(RecorderController::stopCheckInterval);
    connect(&m_statusTimer, &QTimer::timeout, &controller, &RecorderController::statusTick);
    connect(&m_clockTimer, &QTimer::timeout, &controller, &RecorderController::clockTick);
    connect(&m_stopCheckTimer, &QTimer::timeout, &controller, &RecorderController::stopCheckTick);
    connect(&controller, &RecorderController::changed, this, &RecorderTimers::follow);
    follow();
}

void RecorderTimers::follow()
{
    const RecorderController::View &view = m_controller.view();
    runWhile(m_statusTimer, view.statusTickOn);
    runWhile(m_clockTimer, view.clockTickOn);
    runWhile(m_stopCheckTimer, view.stopCheckOn);
}
