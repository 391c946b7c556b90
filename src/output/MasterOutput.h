#pragma once

#include <QObject>

class SoundEngine;
class SystemVolume;

// The master controls: the master volume drives the desktop's output volume, the master
// pan sets one pan on all fourteen channel buffers, and "Mute" toggles the master volume
// between 0 and the value it had.
//
// Like the channel controls, a value that changes runs its handler and a value that stays
// runs nothing. UI thread only.
class MasterOutput : public QObject
{
    Q_OBJECT

public:
    static constexpr int volumeMinimum = 0;
    static constexpr int volumeMaximum = 32750;
    static constexpr int volumeStart = 16000;
    static constexpr int panMinimum = -3000;
    static constexpr int panMaximum = 3000;
    static constexpr int panStart = 0;

    // `systemVolume` is null when no sound server could be reached at start-up; the
    // master volume then moves without effect.
    MasterOutput(SystemVolume *systemVolume, SoundEngine &engine, QObject *parent = nullptr);

    // Attaches the desktop's output volume once it could be opened.
    void setSystemVolume(SystemVolume *systemVolume) { m_systemVolume = systemVolume; }

    int volume() const { return m_volume; }
    bool setVolume(int value);
    int pan() const { return m_pan; }
    bool setPan(int value);
    void toggleMute();
    bool isMuted() const { return m_muteToggle == 1; }

    // The mixer value that a master volume position sends: position x 1.99, halves to even.
    static quint32 mixerValue(int position);

signals:
    void volumeChanged(int value);
    void panChanged(int value);

private:
    SystemVolume *m_systemVolume;
    SoundEngine &m_engine;
    int m_volume = volumeStart;
    int m_pan = panStart;
    int m_muteToggle = 0;
    int m_savedVolume = 0;
};
