#pragma once

#include "engine/ChannelTable.h"
#include "settings/MixRecord.h"

#include "engine/ChannelControls.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <array>
#include <vector>

class Clock;
class SoundEngine;

// Glides the console from its current mix to another over some minutes, moving the
// console's own controls: volumes, pans and frequencies move evenly in their units, a
// channel that comes on fades in from silence and one that goes off fades out and then
// switches off, both on an equal-power curve, so that the masking never sags in between.
// At the end the controls hold the new mix exactly as loading it would leave them. The
// fades lie on the channel's trim, so the sliders never leave their ranges. A rate glides
// from the one heard; while it is beyond its slider's range the slider waits.
//
// The user keeps the last word: a slider moved during the glide leaves it and stays where
// it was put, and a channel switched on or off leaves it as a whole, its trim released at
// once when it comes on. The end of the glide keeps what the user set.
//
// Progress follows the wall clock. UI thread only.
class MixGlide : public QObject
{
    Q_OBJECT

public:
    static constexpr int tickMs = 50;
    // Where a fade in starts and a fade out ends: inaudible under any mix.
    static constexpr int silence = -6000;

    MixGlide(ChannelControls &controls, SoundEngine &engine, Clock &clock, QObject *parent = nullptr);

    // Starts gliding to `target` over `minutes` (0 loads it at once). A glide that is
    // still going is first completed.
    void start(const MixRecord &target, int minutes);
    bool isRunning() const { return m_running; }
    // The user put a whole mix on the console (Load, Resume Last, Reset All): the glide
    // ends where it stands and leaves every control as that mix set it.
    void stop();

    // The glide's tick; tests call it after moving their clock.
    void tick();

signals:
    void finished();

private:
    enum class Path { StaysOff, StaysOn, ComesOn, GoesOff, TakenByUser };

    void begin();
    void step(double progress);
    void glideSliders(int channel, double progress);
    void finish();
    void releaseTrims();
    void setTrim(int channel, int trim);
    // A control changed while gliding: by the glide itself, or by the user, who takes it.
    void onSliderChanged(int channel, ChannelControls::Slider kind, int value);
    void onSwitchChanged(int channel, int state);

    ChannelControls &m_controls;
    SoundEngine &m_engine;
    Clock &m_clock;
    QTimer m_timer;
    MixRecord m_from;
    MixRecord m_to;
    std::array<Path, ChannelTable::channelCount> m_paths{};
    // The rate each playing channel is heard at, which before its slider first moves is
    // the sound's own rate, not the slider's.
    std::array<int, ChannelTable::channelCount> m_heardRates{};
    QDateTime m_start;
    qint64 m_lengthMs = 0;
    bool m_running = false;
    // Set while the glide itself moves the controls, so that only other changes take them.
    bool m_moving = false;
    // Channels that went off still sit at silence until their stop has faded out.
    std::vector<int> m_trimmed;
    int m_settleTicks = 0;
};
