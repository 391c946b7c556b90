#pragma once

#include <QObject>

// The desktop's output volume (the default sink of the sound server), on the scale of the
// master volume control: 0 is silent, 65535 is the server's normal (100 %) volume.
//
// Contract: called on the UI thread; nothing blocks on the server. open() answers whether a
// sound server could be reached now. setVolume() remembers the value and applies it to
// the default output on all of its channels as soon as a server is there, again after the
// server restarts; it answers false when the value could not be sent now.
class SystemVolume : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~SystemVolume() override = default;

    virtual bool open() = 0;
    virtual bool setVolume(quint32 value) = 0;
};
