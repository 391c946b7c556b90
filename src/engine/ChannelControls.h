#pragma once

#include "engine/ChannelTable.h"

#include <QObject>
#include <QString>

#include <array>

class SoundEngine;

// The console's channel controls as values: per channel a switch, volume, pan and
// frequency sliders, the frequency readout and whether those are enabled, together with
// the handlers that act on the channel buffers.
//
// Giving a control a new value runs its handler exactly as a user action on the window
// does; giving it the value it already has runs nothing. The window mirrors these values
// and forwards the user's changes here; mix files and "Reset All" set them the same way.
class ChannelControls : public QObject
{
    Q_OBJECT

public:
    enum class Slider { Volume, Pan, Frequency };

    explicit ChannelControls(SoundEngine &engine, QObject *parent = nullptr);

    static int minimum(Slider kind);
    static int maximum(Slider kind);
    static int startValue(Slider kind);
    static bool inRange(Slider kind, int value) { return value >= minimum(kind) && value <= maximum(kind); }

    int switchState(int channel) const;
    // 0 is off, 1 is on. Answers false and changes nothing for any other state, and for
    // switching on a channel whose sound could not be loaded.
    bool setSwitch(int channel, int state);

    int slider(int channel, Slider kind) const;
    // Answers false and changes nothing for a value outside the slider's range.
    bool setSlider(int channel, Slider kind, int value);

    QString readout(int channel) const;
    bool controlsEnabled(int channel) const;
    // Whether the channel has a sound to play.
    bool isAvailable(int channel) const;

    // Matches every channel's sliders and readout to its switch.
    void docheck();
    // Writes every readout from its frequency slider.
    void dofilllabels();

signals:
    void switchChanged(int channel, int state);
    void sliderChanged(int channel, ChannelControls::Slider kind, int value);
    void readoutChanged(int channel, const QString &text);
    void enabledChanged(int channel, bool enabled);

private:
    struct Channel
    {
        int switchState = 0;
        int volume = ChannelTable::volumeStart;
        int pan = ChannelTable::panStart;
        int frequency = ChannelTable::frequencyStart;
        QString readout;
        bool enabled = false;
    };

    Channel &at(int channel) { return m_channels[static_cast<std::size_t>(channel - 1)]; }
    const Channel &at(int channel) const { return m_channels[static_cast<std::size_t>(channel - 1)]; }
    int &field(Channel &channel, Slider kind);
    void switchHandler(int channel);
    void sliderHandler(int channel, Slider kind);
    void setReadout(int channel, const QString &text);
    void setEnabled(int channel, bool enabled);

    SoundEngine &m_engine;
    std::array<Channel, ChannelTable::channelCount> m_channels;
};
