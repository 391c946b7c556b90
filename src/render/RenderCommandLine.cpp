#include "render/RenderCommandLine.h"

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "platform/UnixSignalWatcher.h"
#include "render/RenderJob.h"
#include "render/SndFileWriter.h"
#include "settings/ConsoleMix.h"
#include "settings/Duration.h"
#include "settings/MixFile.h"
#include "settings/Preferences.h"
#include "sounds/SoundChoices.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>

#include <csignal>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

const QString usage = QStringLiteral(
    "Usage: sonivale --render MIX.smf --length 8h --output FILE [--rate 48000|44100] [--fade-in 10s] "
    "[--fade-out 1min] [--loop] [--seed N] [--channel-sound N=SOUND]...\n"
    "The format follows FILE's extension: %1.\n"
    "%2\n"
    "The sounds are made afresh for every render; --seed N makes them the same each time N is given.\n"
    "Each channel plays the sound chosen for it on the console; --channel-sound N=SOUND gives channel N "
    "(1 to 14) another for this render: \"default\" (its own), a built-in sound (brook, heartbeat, train, "
    "fireplace, purr, or a channel's caption such as pink-noise) or a sound file's path.")
                          .arg(RenderFormat::extensionList(), Duration::rule());

struct Parsed
{
    QString mixPath;
    RenderOptions options;
    std::optional<std::uint64_t> seed;
    std::vector<SoundChoices::Assignment> channelSounds;
};

// `--render --help` would otherwise be read as a mix file named "--help".
bool asksForHelp(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
}

// The options, or nothing with `error` set to what is wrong with them.
std::optional<Parsed> parse(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption render(QStringLiteral("render"), {}, QStringLiteral("mix"));
    const QCommandLineOption length(QStringLiteral("length"), {}, QStringLiteral("length"));
    const QCommandLineOption output(QStringLiteral("output"), {}, QStringLiteral("file"));
    const QCommandLineOption rate(QStringLiteral("rate"), {}, QStringLiteral("hertz"));
    const QCommandLineOption fadeIn(QStringLiteral("fade-in"), {}, QStringLiteral("length"));
    const QCommandLineOption fadeOut(QStringLiteral("fade-out"), {}, QStringLiteral("length"));
    const QCommandLineOption loop(QStringLiteral("loop"));
    const QCommandLineOption seed(QStringLiteral("seed"), {}, QStringLiteral("number"));
    const QCommandLineOption channelSound(QStringLiteral("channel-sound"), {}, QStringLiteral("N=SOUND"));
    parser.addOptions({render, length, output, rate, fadeIn, fadeOut, loop, seed, channelSound});
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unexpected argument \"%1\".").arg(parser.positionalArguments().constFirst());
        return std::nullopt;
    }
    for (const QCommandLineOption *required : {&render, &length, &output}) {
        if (!parser.isSet(*required)) {
            *error = QStringLiteral("--%1 is missing.").arg(required->names().constFirst());
            return std::nullopt;
        }
    }

    Parsed parsed;
    parsed.mixPath = parser.value(render);
    RenderOptions &options = parsed.options;
    options.outputPath = parser.value(output);
    options.seamlessLoop = parser.isSet(loop);
    const auto duration = [&](const QCommandLineOption &option, double *seconds) {
        if (!parser.isSet(option))
            return true;
        QString problem;
        const std::optional<double> value = Duration::parseSeconds(parser.value(option), &problem);
        if (!value)
            *error = QStringLiteral("--%1 %2").arg(option.names().constFirst(), problem);
        else
            *seconds = *value;
        return value.has_value();
    };
    if (!duration(length, &options.lengthSeconds) || !duration(fadeIn, &options.fadeInSeconds)
        || !duration(fadeOut, &options.fadeOutSeconds))
        return std::nullopt;

    const std::optional<RenderFormat> format = RenderFormat::forPath(options.outputPath);
    if (!format) {
        *error = QStringLiteral("The format of \"%1\" is not known: its extension must be one of %2.")
                     .arg(options.outputPath, RenderFormat::extensionList());
        return std::nullopt;
    }
    options.format = format->kind;
    options.sampleRate = format->fixedRate != 0 ? format->fixedRate : RenderOptions::preferredRate;
    if (parser.isSet(rate)) {
        bool number = false;
        options.sampleRate = parser.value(rate).toInt(&number);
        if (!number) {
            *error = QStringLiteral("--rate \"%1\" is not a number of hertz.").arg(parser.value(rate));
            return std::nullopt;
        }
    }
    if (parser.isSet(seed)) {
        bool number = false;
        parsed.seed = parser.value(seed).toULongLong(&number);
        if (!number) {
            *error = QStringLiteral("--seed \"%1\" is not a whole number.").arg(parser.value(seed));
            return std::nullopt;
        }
    }
    for (const QString &value : parser.values(channelSound)) {
        QString problem;
        const std::optional<SoundChoices::Assignment> assignment = SoundChoices::parse(value, QDir::currentPath(), &problem);
        if (!assignment) {
            *error = QStringLiteral("--channel-sound ") + problem;
            return std::nullopt;
        }
        parsed.channelSounds.push_back(*assignment);
    }
    if (const QString problem = options.problem(); !problem.isEmpty()) {
        *error = problem;
        return std::nullopt;
    }
    return parsed;
}

// Gives each channel of `engine` the sound the preferences in `configFolder` keep for it,
// or the one the command line gives. A kept sound that cannot be played is told, and its
// channel plays its own; one the command line gives ends the render.
bool chooseSounds(SoundEngine &engine, const Parsed &parsed, const QString &configFolder, QTextStream &messages,
                  QString *error)
{
    QStringList problems;
    const QString preferences = QDir(configFolder).filePath(QString::fromLatin1(Preferences::fileName));
    SoundChoices choices = SoundChoices::read(preferences, &problems);
    std::array<bool, ChannelTable::channelCount> given{};
    for (const SoundChoices::Assignment &assignment : parsed.channelSounds) {
        choices.set(assignment.channel, assignment.choice);
        given[static_cast<std::size_t>(assignment.channel - 1)] = true;
    }
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const SoundChoice &choice = choices.choice(channel);
        if (choice.isOwn())
            continue;
        QString problem;
        if (std::shared_ptr<const ChannelSound> sound = SoundChoices::resolve(choice, &problem))
            engine.setChannelSound(channel, std::move(sound));
        else if (given[static_cast<std::size_t>(channel - 1)]) {
            *error = QStringLiteral("--channel-sound %1=%2: %3").arg(channel).arg(choice.toText(), problem);
            return false;
        } else
            problems << QStringLiteral("%1: %2").arg(QString::fromLatin1(ChannelTable::channel(channel).caption), problem);
    }
    if (!problems.isEmpty()) {
        messages << QStringLiteral("These chosen sounds cannot be played, so their channels play their own sounds:\n%1")
                        .arg(problems.join(QLatin1Char('\n')))
                 << Qt::endl;
    }
    return true;
}

// The console's mix after "Load" of `record`, as a fresh console would play it.
std::optional<MixSnapshot> snapshotOf(const MixRecord &record, const Parsed &parsed, const QString &programFolder,
                                      const QString &configFolder, QTextStream &messages, QString *error)
{
    OfflineAudioOutput output;
    SoundEngine engine(output);
    if (parsed.seed)
        engine.setSeed(*parsed.seed);
    engine.loadChannelSounds(programFolder);
    if (!chooseSounds(engine, parsed, configFolder, messages, error))
        return std::nullopt;
    ChannelControls controls(engine);
    ConsoleMix::apply(record, controls, engine);
    // A channel the file switches on but whose sound is missing would be silently absent.
    QStringList missing;
    for (int channel : record.switchedOn()) {
        if (!engine.buffer(channel))
            missing << QDir::toNativeSeparators(engine.failedFile(channel));
    }
    if (!missing.isEmpty()) {
        *error = QStringLiteral("These sound files could not be loaded, so the mix cannot be rendered:\n%1")
                     .arg(missing.join(QLatin1Char('\n')));
        return std::nullopt;
    }
    return MixSnapshot::capture(engine);
}

QString progressLine(const QString &path, double fraction, double secondsLeft)
{
    QString line = QStringLiteral("\rRendering \"%1\": %2 %").arg(path).arg(static_cast<int>(fraction * 100.0));
    if (secondsLeft >= 0.0)
        line += QStringLiteral(", about %1 left").arg(Duration::describe(secondsLeft));
    return line + QStringLiteral("   ");
}

}

bool RenderCommandLine::isRequested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--render") == 0 || std::strncmp(argv[i], "--render=", 9) == 0)
            return true;
    }
    return false;
}

int RenderCommandLine::run(int argc, char **argv, const std::function<QString()> &programFolder,
                           const std::function<QString()> &configFolder)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Sonivale"));
    UnixSignalWatcher watcher{SIGTERM, SIGINT, SIGHUP};
    // Help that was asked for is the answer, not a complaint: it goes where a pager reads.
    QTextStream messages(asksForHelp(QCoreApplication::arguments()) ? stdout : stderr);
    return execute(QCoreApplication::arguments(), programFolder(), configFolder(), messages,
                   ::isatty(STDERR_FILENO) == 1, &watcher);
}

int RenderCommandLine::execute(const QStringList &arguments, const QString &programFolder,
                               const QString &configFolder, QTextStream &messages, bool showProgress,
                               UnixSignalWatcher *interrupts)
{
    if (asksForHelp(arguments)) {
        messages << usage << Qt::endl;
        return Success;
    }
    QString error;
    const std::optional<Parsed> parsed = parse(arguments, &error);
    if (!parsed) {
        messages << error << '\n' << usage << Qt::endl;
        return BadUsage;
    }
    const std::optional<MixRecord> record = MixFile::read(parsed->mixPath, &error);
    if (!record) {
        messages << QStringLiteral("The mix file \"%1\" was not loaded, because %2. Nothing was changed.")
                        .arg(parsed->mixPath, error)
                 << Qt::endl;
        return Failure;
    }
    const std::optional<MixSnapshot> snapshot = snapshotOf(*record, *parsed, programFolder, configFolder, messages, &error);
    if (!snapshot) {
        messages << error << Qt::endl;
        return Failure;
    }

    RenderJob job(*snapshot, parsed->options, std::make_unique<SndFileWriter>());
    QEventLoop loop;
    MixRenderer::Result result;
    int signalNumber = 0;
    const QString shownPath = QDir::toNativeSeparators(parsed->options.outputPath);
    QObject::connect(&job, &RenderJob::finished, &loop, [&](const MixRenderer::Result &r) {
        result = r;
        loop.quit();
    });
    if (showProgress) {
        QObject::connect(&job, &RenderJob::progressed, &loop, [&](double fraction, double left) {
            messages << progressLine(shownPath, fraction, left) << Qt::flush;
        });
    }
    if (interrupts) {
        QObject::connect(interrupts, &UnixSignalWatcher::received, &loop, [&](int number) {
            signalNumber = number;
            job.cancel();
        });
    }
    job.start();
    loop.exec();
    if (showProgress)
        messages << '\n';

    switch (result.status) {
    case MixRenderer::Result::Status::Done:
        if (showProgress)
            messages << QStringLiteral("Rendered %1 to \"%2\".")
                            .arg(Duration::describe(parsed->options.lengthSeconds), shownPath)
                     << Qt::endl;
        return Success;
    case MixRenderer::Result::Status::Cancelled:
        messages << QStringLiteral("The render was stopped; \"%1\" was not written.").arg(shownPath) << Qt::endl;
        return signalBase + signalNumber;
    case MixRenderer::Result::Status::Failed:
        break;
    }
    messages << result.message << Qt::endl;
    return Failure;
}
