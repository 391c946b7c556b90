#pragma once

#include <QObject>

// Pauses and resumes the whole output with a short fade, leaving every switch and slider
// as it is, so that "Play" brings back exactly the mix that was set.
//
// Contract: UI thread only. pause() and play() return at once (the fade runs on the
// audio thread) and do nothing when already in that state; pausedChanged() is emitted
// once per change of state.
class PauseControl : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~PauseControl() override = default;

    virtual bool isPaused() const = 0;
    virtual void pause() = 0;
    virtual void play() = 0;

    void toggle()
    {
        if (isPaused())
            play();
        else
            pause();
    }

signals:
    void pausedChanged(bool paused);
};
