#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QTextStream;
class UnixSignalWatcher;

// `sonivale --render MIX.smf --length 8h --output night.flac [--rate 48000]
// [--fade-in 10s] [--fade-out 60s] [--loop] [--channel-sound N=SOUND]...`: renders a mix
// file without a display or a sound server. The format follows the output's extension.
// Each channel plays the sound the preferences keep for it, or the one --channel-sound
// gives for this render alone. Progress goes to stderr when it is a terminal; every
// failure gets a message there and a non-zero exit status.
class RenderCommandLine
{
public:
    enum ExitStatus { Success = 0, Failure = 1, BadUsage = 2 };
    // A render stopped by a signal exits with 128 plus the signal's number, as shells do.
    static constexpr int signalBase = 128;

    // Whether the arguments ask for a render; decided before any application object exists.
    static bool isRequested(int argc, char **argv);
    // Makes the core application and renders; the exit status. The folders are asked once
    // the application exists.
    static int run(int argc, char **argv, const std::function<QString()> &programFolder,
                   const std::function<QString()> &configFolder);

    // The render itself, for an application that exists: `arguments` as argv (the
    // program's name first), sounds from `programFolder`, the chosen sounds from the
    // preferences in `configFolder`, messages to `messages`. An `interrupts` watcher, when
    // given, cancels the render.
    static int execute(const QStringList &arguments, const QString &programFolder, const QString &configFolder,
                       QTextStream &messages, bool showProgress, UnixSignalWatcher *interrupts = nullptr);
};
