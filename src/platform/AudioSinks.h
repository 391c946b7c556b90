#pragma once

#include <QObject>
#include <QString>

#include <vector>

// One of the sound server's outputs (a sink): `name` is the server's name for it, which
// stays when the device comes back; `description` is what the desktop shows the user.
struct AudioSink
{
    QString name;
    QString description;

    bool operator==(const AudioSink &) const = default;
};

// The sound server's sinks as they stand, for offering where the sound plays.
//
// Contract: every member on the UI thread; nothing waits for the server. open() starts
// listening and answers at once. sinks() is the last list the server gave, in its order;
// empty and isListed() false until the first complete list has arrived after a
// (re)connection, and again once the server is lost. changed() comes on the UI thread when
// the list, a name or a description changed, or when isListed() changed; never for a
// change that leaves them as they were (a sink's volume, say).
class AudioSinks : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~AudioSinks() override = default;

    virtual void open() = 0;
    virtual bool isListed() const = 0;
    virtual std::vector<AudioSink> sinks() const = 0;

signals:
    void changed();
};
