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
    "[--fade-out 1min] [--loop] [--seed N]\n"
    "The format follows FILE's extension: %1.\n"
    "%2\n"
    "The sounds are made afresh for every render; --seed N makes them the same each time N is given.")
                          .arg(RenderFormat::extensionList(), Duration::rule());

struct Parsed
{
    QString mixPath;
    RenderOptions options;
    std::optional<std::uint64_t> seed;
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
    parser.addOptions({render, length, output, rate, fadeIn, fadeOut, loop, seed});
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
    if (const QString problem = options.problem(); !problem.isEmpty()) {
        *error = problem;
        return std::nullopt;
    }
    return parsed;
}

// The console's mix after "Load" of `record`, as a fresh console would play it.
std::optional<MixSnapshot> snapshotOf(const MixRecord &record, const QString &programFolder,
                                      std::optional<std::uint64_t> seed, QString *error)
{
    OfflineAudioOutput output;
    SoundEngine engine(output);
    if (seed)
        engine.setSeed(*seed);
    engine.loadChannelSounds(programFolder);
    ChannelControls controls(engine);
    ConsoleMix::apply(record, controls, engine);
    // A channel the file switches on but whose sound is missing would be silently absent.
    QStringList missing;
    for (int channel : record.switchedOn()) {
        if (!engine.failedFile(channel).isEmpty())
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

int RenderCommandLine::run(int argc, char **argv, const std::function<QString()> &programFolder)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Sonivale"));
    UnixSignalWatcher watcher{SIGTERM, SIGINT, SIGHUP};
    // Help that was asked for is the answer, not a complaint: it goes where a pager reads.
    QTextStream messages(asksForHelp(QCoreApplication::arguments()) ? stdout : stderr);
    return execute(QCoreApplication::arguments(), programFolder(), messages, ::isatty(STDERR_FILENO) == 1, &watcher);
}

int RenderCommandLine::execute(const QStringList &arguments, const QString &programFolder, QTextStream &messages,
                               bool showProgress, UnixSignalWatcher *interrupts)
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
    const std::optional<MixSnapshot> snapshot = snapshotOf(*record, programFolder, parsed->seed, &error);
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
