#pragma once

#include <QObject>

class AudioRenderer;

// A stereo float output device that pulls its sound from an AudioRenderer.
//
// Contract: every member is called on the UI thread. start() never blocks on the sound
// server: it returns false only when the output cannot exist at all; a server that is not
// there yet, or goes away, is retried by the output itself and reported through
// connectedChanged(). The renderer must outlive the output or a call to stop().
class AudioOutput : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~AudioOutput() override = default;

    virtual bool start(AudioRenderer *renderer) = 0;
    virtual void stop() = 0;
    virtual int sampleRate() const = 0;
    virtual bool isConnected() const = 0;

signals:
    void connectedChanged(bool connected);
};
