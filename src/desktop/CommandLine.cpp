#include "desktop/CommandLine.h"

#include "settings/Duration.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace {

const char *playOption = "play";
const char *pauseOption = "pause";
const char *toggleOption = "toggle";
const char *trayOption = "tray";
const char *loadOption = "load";
const char *sleepOption = "sleep";
const char *headlessOption = "headless";
const char *resumeOption = "resume";
const char *channelSoundOption = "channel-sound";

QString usageHint(const QString &program)
{
    return QStringLiteral("Try '%1 --help' for more information.").arg(program);
}

CommandLine::Outcome failure(const QString &program, const QString &message)
{
    CommandLine::Outcome outcome;
    outcome.exitNow = true;
    outcome.exitStatus = CommandLine::usageError;
    outcome.output = QStringLiteral("%1: %2\n%3\n").arg(program, message, usageHint(program));
    return outcome;
}

// The sleep timer counts whole minutes, from one up to the longest duration.
std::optional<std::chrono::minutes> sleepLength(const QString &text, QString *problem)
{
    const std::optional<double> seconds = Duration::parseSeconds(text, problem);
    if (!seconds)
        return std::nullopt;
    const std::chrono::minutes minutes{std::llround(*seconds / 60.0)};
    if (minutes < std::chrono::minutes(1) || std::abs(*seconds - 60.0 * double(minutes.count())) > 0.001) {
        *problem = QStringLiteral("\"%1\" is not a whole number of minutes from 1 minute to %2 hours.")
                       .arg(text)
                       .arg(Duration::longestHours);
        return std::nullopt;
    }
    return minutes;
}

// The headless render belongs to another command path that main() takes before this
// parser runs; its options are accepted here so that they never make an error.
void addRenderOptions(QCommandLineParser &parser)
{
    QCommandLineOption render(QStringLiteral("render"),
                              QStringLiteral("Render a mix to a sound file without a window (see --render --help)."),
                              QStringLiteral("args"));
    parser.addOption(render);
}

}

CommandLine::Request CommandLine::Request::atStart(bool playLastMix) const
{
    Request started = *this;
    if (playLastMix && mixFile.isEmpty())
        started.resume = true;
    return started;
}

QStringList CommandLine::Request::toArguments() const
{
    QStringList arguments;
    if (tray)
        arguments << QStringLiteral("--tray");
    switch (playback) {
    case Playback::Play: arguments << QStringLiteral("--play"); break;
    case Playback::Pause: arguments << QStringLiteral("--pause"); break;
    case Playback::Toggle: arguments << QStringLiteral("--toggle"); break;
    case Playback::Unchanged: break;
    }
    if (sleep)
        arguments << QStringLiteral("--sleep") << QStringLiteral("%1m").arg(sleep->count());
    if (!mixFile.isEmpty())
        arguments << QStringLiteral("--load") << mixFile;
    if (resume)
        arguments << QStringLiteral("--resume");
    for (const SoundChoices::Assignment &assignment : channelSounds)
        arguments << QStringLiteral("--channel-sound") << SoundChoices::toText(assignment);
    return arguments;
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments, const QString &workingFolder)
{
    const QString program = arguments.isEmpty() ? QStringLiteral("sonivale") : QFileInfo(arguments.first()).fileName();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sonivale: noise-masking sounds, made as they play, to mix and leave playing.\n") + Duration::rule());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption tray(QString::fromLatin1(trayOption), QStringLiteral("Start hidden in the tray."));
    const QCommandLineOption play(QString::fromLatin1(playOption), QStringLiteral("Play (resume the paused sound)."));
    const QCommandLineOption pause(QString::fromLatin1(pauseOption), QStringLiteral("Pause the sound."));
    const QCommandLineOption toggle(QString::fromLatin1(toggleOption), QStringLiteral("Pause when playing, play when paused."));
    const QCommandLineOption load(QString::fromLatin1(loadOption), QStringLiteral("Load the mix file MIX."),
                                  QStringLiteral("MIX.smf"));
    const QCommandLineOption sleep(QString::fromLatin1(sleepOption),
                                   QStringLiteral("Fade out and stop after DURATION (for example 45min, 1h30m or 90)."),
                                   QStringLiteral("DURATION"));
    const QCommandLineOption headless(QString::fromLatin1(headlessOption),
                                      QStringLiteral("Play without a display or window, controlled through the media "
                                                     "controls and later starts' options."));
    const QCommandLineOption resume(QString::fromLatin1(resumeOption),
                                    QStringLiteral("Play the last mix again, as \"Resume Last\" does."));
    const QCommandLineOption channelSound(
        QString::fromLatin1(channelSoundOption),
        QStringLiteral("Channel N (1 to 14) plays SOUND from now on, and later starts keep it: \"default\" (its own), "
                       "a built-in sound (brook, heartbeat, train, fireplace, purr, or a channel's caption such as "
                       "pink-noise), or a sound file's path. May be given for several channels."),
        QStringLiteral("N=SOUND"));
    parser.addOptions({help, version, tray, play, pause, toggle, load, resume, sleep, channelSound, headless});
    addRenderOptions(parser);
    parser.addPositionalArgument(QStringLiteral("MIX.smf"), QStringLiteral("A mix file to load."), QStringLiteral("[MIX.smf]"));

    Outcome outcome;
    if (!parser.parse(arguments))
        return failure(program, parser.errorText());
    if (parser.isSet(help)) {
        outcome.exitNow = true;
        // The parser names the program from the application object, which does not exist
        // yet when main() asks: it would say "<executable_name>".
        static const QRegularExpression usage(QStringLiteral("^Usage: \\S+"));
        outcome.output = parser.helpText().replace(usage, QStringLiteral("Usage: ") + program);
        return outcome;
    }
    if (parser.isSet(version)) {
        outcome.exitNow = true;
        outcome.output = QStringLiteral("Sonivale %1\n").arg(QStringLiteral(SONIVALE_VERSION));
        return outcome;
    }

    Request &request = outcome.request;
    request.tray = parser.isSet(tray);
    request.headless = parser.isSet(headless);
    const int playbackOptions = int(parser.isSet(play)) + int(parser.isSet(pause)) + int(parser.isSet(toggle));
    if (playbackOptions > 1)
        return failure(program, QStringLiteral("Give only one of --play, --pause and --toggle."));
    if (parser.isSet(play))
        request.playback = Playback::Play;
    else if (parser.isSet(pause))
        request.playback = Playback::Pause;
    else if (parser.isSet(toggle))
        request.playback = Playback::Toggle;

    QStringList mixes = parser.values(load) + parser.positionalArguments();
    if (mixes.size() > 1)
        return failure(program, QStringLiteral("Give one mix file at most, not %1.").arg(mixes.size()));
    if (!mixes.isEmpty()) {
        if (mixes.first().isEmpty())
            return failure(program, QStringLiteral("The mix file's name is empty."));
        request.mixFile = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(mixes.first()));
    }
    request.resume = parser.isSet(resume);
    if (request.resume && !request.mixFile.isEmpty())
        return failure(program, QStringLiteral("Give either a mix file or --resume, not both."));

    for (const QString &value : parser.values(channelSound)) {
        QString problem;
        const std::optional<SoundChoices::Assignment> assignment = SoundChoices::parse(value, workingFolder, &problem);
        if (!assignment)
            return failure(program, QStringLiteral("--channel-sound ") + problem);
        request.channelSounds.push_back(*assignment);
    }

    if (parser.isSet(sleep)) {
        QString problem;
        request.sleep = sleepLength(parser.values(sleep).constLast(), &problem);
        if (!request.sleep)
            return failure(program, QStringLiteral("--sleep ") + problem);
    }
    return outcome;
}
