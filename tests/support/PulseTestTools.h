#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Tools for tests that talk to a real PulseAudio daemon.
namespace PulseTestTools {

// Runs pactl with `arguments` against the current PULSE_SERVER; returns its output, or a
// null string when it failed.
QString pactl(const QStringList &arguments);

// Records `seconds` of float stereo at 48 kHz from `source` (e.g. "<sink>.monitor").
std::vector<float> record(const QString &source, double seconds);

// Records `source` on a thread of its own from construction until stop(), so that the test
// can act meanwhile; what arrives while the whole process is stopped is kept by the server.
class BackgroundRecording
{
public:
    explicit BackgroundRecording(const QString &source);
    ~BackgroundRecording();
    // Float stereo at 48 kHz; empty when the source could not be recorded.
    std::vector<float> stop();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The name of the server's default sink.
QString defaultSink();

// The first channel's raw volume of `sink`, as pactl reports it.
long sinkVolume(const QString &sink);
// The raw volume of `side` (0 left, 1 right) of the first playback stream.
long sinkInputVolume(int side = 0);

}
