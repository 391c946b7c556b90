#pragma once

#include "sounds/SoundChoices.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// The program's command line: `sonivale [MIX.smf] [--tray] [--play|--pause|--toggle]
// [--load MIX.smf | --resume] [--sleep DURATION] [--channel-sound N=SOUND]... [--headless]`,
// plus --help and --version.
//
// A parsed command line is also what a second start hands to the running program: it is
// turned back into arguments with toArguments(), with the mix file's path made absolute,
// since the running program has another working folder.
class CommandLine
{
public:
    enum class Playback { Unchanged, Play, Pause, Toggle };

    struct Request
    {
        QString mixFile;
        bool tray = false;
        Playback playback = Playback::Unchanged;
        std::optional<std::chrono::minutes> sleep;
        // Play the last mix again, as "Resume Last" does.
        bool resume = false;
        // Run without a display; only this start's, so never handed over.
        bool headless = false;
        // The sounds that channels are to play from now on, in the order given.
        std::vector<SoundChoices::Assignment> channelSounds;

        // True when the request asks for nothing but a start (or, for a running program,
        // for its console to come forward).
        bool isPlainStart() const
        {
            return mixFile.isEmpty() && !resume && playback == Playback::Unchanged && !sleep && channelSounds.empty();
        }
        // This start's request where the preferences ask a start to play the last mix: it
        // resumes the last mix unless it names one of its own.
        Request atStart(bool playLastMix) const;
        QStringList toArguments() const;
    };

    // What to do with the command line: run with the request, or end at once, printing
    // `output` (to stdout for exit status 0, to stderr otherwise).
    struct Outcome
    {
        Request request;
        bool exitNow = false;
        int exitStatus = 0;
        QString output;
    };

    static constexpr int usageError = 2;

    // `arguments` starts with the program's name, as argv does. Paths are made absolute
    // against `workingFolder`.
    static Outcome parse(const QStringList &arguments, const QString &workingFolder);
};
