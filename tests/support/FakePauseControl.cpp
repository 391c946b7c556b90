#include "FakePauseControl.h"

void FakePauseControl::pause()
{
    ++m_calls;
    if (m_paused)
        return;
    m_paused = true;
    emit pausedChanged(true);
}

void FakePauseControl::play()
{
    ++m_calls;
    if (!m_paused)
        return;
    m_paused = false;
    emit pausedChanged(false);
}
