#include "engine/OutputPause.h"

#include "engine/OutputGain.h"

OutputPause::OutputPause(OutputGain &gain, QObject *parent)
    : PauseControl(parent)
    , m_gain(gain)
{
}

bool OutputPause::isPaused() const
{
    return m_gain.isPaused();
}

void OutputPause::pause()
{
    setPaused(true);
}

void OutputPause::play()
{
    setPaused(false);
}

void OutputPause::setPaused(bool paused)
{
    if (paused == m_gain.isPaused())
        return;
    m_gain.setPaused(paused);
    emit pausedChanged(paused);
}
