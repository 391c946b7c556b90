#pragma once

#include "engine/PauseControl.h"

// A pause control that only keeps its state, and counts the calls that reached it.
class FakePauseControl final : public PauseControl
{
    Q_OBJECT

public:
    using PauseControl::PauseControl;

    bool isPaused() const override { return m_paused; }
    void pause() override;
    void play() override;

    int calls() const { return m_calls; }

private:
    bool m_paused = false;
    int m_calls = 0;
};
