#pragma once

#include "engine/PauseControl.h"

class OutputGain;

// Pause and play on the output's own gain stage: the whole sound fades to silence and
// back while every switch, slider, the system volume and "Mute" stay as they are.
class OutputPause final : public PauseControl
{
    Q_OBJECT

public:
    // `gain` must outlive this object.
    explicit OutputPause(OutputGain &gain, QObject *parent = nullptr);

    bool isPaused() const override;
    void pause() override;
    void play() override;

private:
    void setPaused(bool paused);

    OutputGain &m_gain;
};
