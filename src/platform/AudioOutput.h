#pragma once

#include <QObject>
#include <QString>

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

    // The program's own stream volume, 0 (silent) to 1 (full): what the desktop's sound
    // settings show for this program, never the system volume. It is remembered, so that
    // every stream the output makes, also after a lost server, plays at it. A change made
    // in the desktop's sound settings is followed: it is reported through
    // streamVolumeChanged() and becomes the one remembered (it may exceed 1 there).
    void setStreamVolume(double volume);
    double streamVolume() const { return m_streamVolume; }

    // The sink to play on, by the sound server's name; empty (the start) for the desktop's
    // default, which the server follows as it changes. While the server has no sink of that
    // name the sound plays on the default. Every call applies the name, also one already
    // set, so that a stream the server has moved elsewhere goes back.
    void setSink(const QString &name);
    QString sink() const { return m_sink; }

signals:
    void connectedChanged(bool connected);
    void streamVolumeChanged(double volume);

protected:
    // Applies a changed stream volume to the device; nothing for an output without one.
    virtual void applyStreamVolume(double /*volume*/) {}
    // Takes note of a volume that the device reports for the stream, without applying it.
    void noteStreamVolume(double volume);
    // Routes the sound to a sink named as setSink() takes it; nothing for an output without one.
    virtual void applySink(const QString & /*name*/) {}

private:
    double m_streamVolume = 1.0;
    QString m_sink;
};
