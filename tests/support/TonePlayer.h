#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class PulseAudioOutput;
class PulseConnection;
class SoundEngine;

// Plays a steady sine at full level through channel 1 of a real engine on the current
// PulseAudio server, for tests that listen to or record what the desktop plays.
class TonePlayer
{
public:
    TonePlayer();
    ~TonePlayer();

    // Writes the tone, connects and starts it; false when any step fails.
    bool start(double hertz, double amplitude, int sampleRate);

private:
    QTemporaryDir m_sounds;
    std::unique_ptr<PulseConnection> m_connection;
    std::unique_ptr<PulseAudioOutput> m_output;
    std::unique_ptr<SoundEngine> m_engine;
};
