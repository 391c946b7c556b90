#pragma once

#include "sounds/SoundChoices.h"

#include <QObject>

#include <array>
#include <memory>

class ChannelSound;
class SoundEngine;
class UserMessages;
class QWidget;

// Which sound each channel of the engine plays, kept in the preferences file. The choices
// kept there are put in force when the sounds first load; every later loading of the
// sounds (Resume Last) keeps them, and so do mixes, which set levels only.
//
// A chosen file that cannot be played is never half in force: its channel plays what it
// played before, and the user gets one message naming the file.
//
// Contract: UI thread. Choosing a file reads it (the messages may show a box and wait).
class SoundChooser : public QObject
{
    Q_OBJECT

public:
    // `preferencesPath` is the preferences file; `messages` must outlive this.
    SoundChooser(SoundEngine &engine, UserMessages &messages, const QString &preferencesPath, QObject *parent = nullptr);
    ~SoundChooser() override;

    // What channel 1 to 14 plays now.
    const SoundChoice &choice(int channel) const { return m_inForce.choice(channel); }
    // Its switch's caption with what it plays ("Rain — playing: Brook").
    QString describe(int channel) const { return SoundChoices::describe(channel, choice(channel)); }

    // Channel 1 to 14 plays `choice` from now on, and the preferences keep it. False, with a
    // message, when it cannot be played; the channel then plays on as it did.
    bool choose(int channel, const SoundChoice &choice, QWidget *parent = nullptr);
    // The channel plays its own sound again.
    void restore(int channel, QWidget *parent = nullptr) { choose(channel, SoundChoice(), parent); }

    QString preferencesPath() const { return m_path; }

signals:
    void choiceChanged(int channel);

private:
    void onSoundsLoaded();
    void takeKeptChoices();
    void putInForce(int channel);
    void onSoundLost(int channel, const QString &path);

    SoundEngine &m_engine;
    UserMessages &m_messages;
    QString m_path;
    SoundChoices m_inForce;
    std::array<std::shared_ptr<const ChannelSound>, ChannelTable::channelCount> m_sounds;
    bool m_started = false;
};
