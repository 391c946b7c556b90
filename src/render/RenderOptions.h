#pragma once

#include "render/RenderFormat.h"
#include "settings/Duration.h"

#include <QString>

// What to render: length, format, rate, fades, seamless loop and target file, with the
// rules that make a set of them valid. Plain values, shared by the window and the
// command line.
class RenderOptions
{
public:
    static constexpr double maximumSeconds = Duration::longestSeconds;
    static constexpr int preferredRate = 48000;
    static constexpr int compactDiscRate = 44100;
    // A seamless loop cross-fades this long, or a quarter of a shorter render: long enough
    // that slow swells such as waves blend, short enough to stay inside the file.
    static constexpr double loopCrossfadeSeconds = 10.0;

    double lengthSeconds = 3600.0;
    RenderFormat::Kind format = RenderFormat::Kind::Flac;
    int sampleRate = preferredRate;
    double fadeInSeconds = 0.0;
    double fadeOutSeconds = 0.0;
    bool seamlessLoop = false;
    QString outputPath;

    // Why these options cannot be rendered, as a sentence; empty when they can.
    QString problem() const;

    qint64 totalFrames() const { return framesOf(lengthSeconds); }
    qint64 fadeInFrames() const { return framesOf(fadeInSeconds); }
    qint64 fadeOutFrames() const { return framesOf(fadeOutSeconds); }
    qint64 loopCrossfadeFrames() const;

    // The file a typed name stands for: "~/" is the home folder, a relative name lies in
    // `folder`, and a name without one of the formats' extensions gets `format`'s.
    static QString completePath(const QString &typed, const QString &folder, RenderFormat::Kind format);

private:
    qint64 framesOf(double seconds) const;
};
