#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Tools for tests that talk to a real PulseAudio daemon.
namespace PulseTestTools {

// Runs pactl with `arguments` against the current PULSE_SERVER; returns its output, or a
// null string when it failed.
QString pactl(const QStringList &arguments);

// Records `seconds` of float stereo at 48 kHz from `source` (e.g. "<sink>.monitor").
std::vector<float> record(const QString &source, double seconds);

// The name of the server's default sink.
QString defaultSink();

// The first channel's raw volume of `sink`, as pactl reports it.
long sinkVolume(const QString &sink);

}
