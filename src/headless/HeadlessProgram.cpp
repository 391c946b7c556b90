#include "headless/HeadlessProgram.h"

#include "desktop/DesktopCommands.h"
#include "desktop/DesktopPreferences.h"
#include "desktop/MprisService.h"
#include "desktop/SingleInstance.h"
#include "engine/ChannelControls.h"
#include "engine/PauseControl.h"
#include "engine/SoundEngine.h"
#include "night/MixGlide.h"
#include "night/NightFeatures.h"
#include "night/ScheduledMixes.h"
#include "night/SleepTimer.h"
#include "output/SinkChoice.h"
#include "platform/NoFileDialogs.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseAudioSinks.h"
#include "platform/PulseConnection.h"
#include "platform/StderrMessages.h"
#include "platform/SystemClock.h"
#include "platform/UnixSignalWatcher.h"
#include "player/Player.h"
#include "product/ProgramPaths.h"
#include "settings/MixCommands.h"
#include "settings/Preferences.h"
#include "sounds/SoundChooser.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>

#include <csignal>
#include <optional>

struct HeadlessProgram::Parts
{
    explicit Parts(std::function<void()> quit)
        : quit(std::move(quit))
        , player({&output, &dialogs, &messages, ProgramPaths::programFolder(), ProgramPaths::configFolder()})
        , desktopPreferences(ProgramPaths::configFolder())
        , sinkChoice(sinks, output, desktopPreferences.playOnSink())
        , nightPreferences(ProgramPaths::configFolder())
        , night({&player.channels(), &player.engine(), &player.pauseControl(), &clock, &messages, &nightPreferences,
                 nullptr})
        , commands(player.pauseControl(), {[this](const QString &path) { player.mixCommands().loadFile(nullptr, path); },
                                           [] {}, [this] { resumeLast(); },
                                           [this](const SoundChoices::Assignment &sound) { chooseSound(sound); }})
    {
    }

    // Made first so that a signal that comes during start-up waits for the event loop.
    UnixSignalWatcher signalWatcher{SIGTERM, SIGINT, SIGHUP};
    std::function<void()> quit;
    // The one connection to the sound server, made before and ended after what uses it.
    PulseConnection soundServer;
    PulseAudioOutput output{soundServer};
    PulseAudioSinks sinks{soundServer};
    StderrMessages messages;
    NoFileDialogs dialogs;
    SystemClock clock;
    Player player;
    // The sink chosen on the console's Playback > "Play On" is played on here too.
    DesktopPreferences desktopPreferences;
    SinkChoice sinkChoice;
    Preferences nightPreferences;
    NightFeatures night;
    DesktopCommands commands;
    std::unique_ptr<MprisService> mpris;
    void chooseSound(const SoundChoices::Assignment &sound)
    {
        if (!player.soundChooser().choose(sound.channel, sound.choice))
            return;
        const QString caption = QString::fromLatin1(ChannelTable::channel(sound.channel).caption);
        messages.line(sound.choice.isOwn() ? QStringLiteral("%1 plays its own sound.").arg(caption)
                                           : QStringLiteral("%1 plays %2.").arg(caption, SoundChoices::nameOf(sound.channel, sound.choice)));
    }
    void resumeLast()
    {
        messages.line(QStringLiteral("Resuming the last mix."));
        player.mixCommands().resumeLast(nullptr);
    }

    bool everConnected = false;
    // The sink last told as the one played on (empty for the default); none before the first.
    std::optional<QString> toldSink;
    bool sleepRunning = false;
};

HeadlessProgram::HeadlessProgram(std::function<void()> quit, QObject *parent)
    : QObject(parent)
{
    if (!quit)
        quit = [] { QCoreApplication::quit(); };
    m_parts = std::make_unique<Parts>(std::move(quit));
    Parts &p = *m_parts;
    p.commands.setSleepTimer([&p](std::chrono::minutes length) { p.night.sleepFor(length); });
    // A mix that comes later is the last word over a scheduled glide, as on the console.
    connect(&p.player.mixCommands(), &MixCommands::mixApplied, &p.night.glide(), &MixGlide::stop);
    connect(&p.night, &NightFeatures::exitRequested, this, &HeadlessProgram::endInOrder);
    connect(&p.signalWatcher, &UnixSignalWatcher::received, this, &HeadlessProgram::endInOrder);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &HeadlessProgram::endInOrder);
    tellEvents();
}

HeadlessProgram::~HeadlessProgram() = default;

int HeadlessProgram::run(int argc, char *argv[], const CommandLine::Request &request)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Sonivale"));
    SingleInstance instance(QDBusConnection::sessionBus());
    QString error;
    const SingleInstance::Role role = instance.claim(request.toArguments(), &error);
    if (role == SingleInstance::Role::HandedOver)
        return 0;
    if (role == SingleInstance::Role::NoAnswer) {
        StderrMessages().line(QStringLiteral("sonivale: Sonivale is already running but did not answer (%1).").arg(error));
        return 1;
    }
    if (!request.headless) {
        StderrMessages().line(QStringLiteral("sonivale: there is no display to show the console on; "
                                             "'sonivale --headless' plays without one."));
        return 1;
    }
    HeadlessProgram program;
    program.start(request, role == SingleInstance::Role::First ? &instance : nullptr);
    return QCoreApplication::exec();
}

// One line for each thing that happens, and only when it happens: a sound server that is
// missing is retried every second without a word.
void HeadlessProgram::tellEvents()
{
    Parts &p = *m_parts;
    connect(&p.output, &AudioOutput::connectedChanged, this, [&p](bool connected) {
        if (connected)
            p.messages.line(p.everConnected ? QStringLiteral("The sound server is back; playing again.")
                                            : QStringLiteral("Playing through the sound server."));
        else
            p.messages.line(QStringLiteral("The sound server was lost; waiting for it to come back."));
        p.everConnected = p.everConnected || connected;
    });
    connect(&p.sinkChoice, &SinkChoice::entriesChanged, this, [&p] {
        // A lost server is told already; what plays then is told when the sinks are back.
        if (!p.sinks.isListed())
            return;
        const QString routed = p.sinkChoice.routedSink();
        if (p.toldSink == routed)
            return;
        p.toldSink = routed;
        if (p.sinkChoice.isChosenAbsent())
            p.messages.line(QStringLiteral("The chosen sink %1 is absent; playing on the desktop's default.").arg(p.sinkChoice.chosen()));
        else if (!routed.isEmpty())
            p.messages.line(QStringLiteral("Playing on the sink %1.").arg(routed));
    });
    connect(&p.player.pauseControl(), &PauseControl::pausedChanged, this, [&p](bool paused) {
        p.messages.line(paused ? QStringLiteral("Paused.") : QStringLiteral("Playing."));
    });
    connect(&p.player.mixCommands(), &MixCommands::mixFileChanged, this, [&p](const QString &path) {
        p.messages.line(QStringLiteral("Mix loaded: %1").arg(path));
        if (p.mpris)
            p.mpris->setMixFile(path);
    });
    connect(&p.night.scheduledMixes(), &ScheduledMixes::mixStarted, this, [&p](const QString &path) {
        p.messages.line(QStringLiteral("Scheduled mix gliding in: %1").arg(path));
    });
    // The sleep timer changes every second while it runs; only its start and end are told.
    connect(&p.night.sleepTimer(), &SleepTimer::changed, this, [&p] {
        const SleepTimer &sleep = p.night.sleepTimer();
        if (sleep.isRunning() == p.sleepRunning)
            return;
        p.sleepRunning = sleep.isRunning();
        p.messages.line(sleep.isRunning()
                            ? QStringLiteral("Sleep timer: ends at %1.").arg(sleep.endTime().toString(QStringLiteral("HH:mm")))
                            : QStringLiteral("Sleep timer: stopped."));
    });
}

void HeadlessProgram::start(const CommandLine::Request &request, SingleInstance *instance)
{
    Parts &p = *m_parts;
    p.messages.line(QStringLiteral("Sonivale %1 started without a display.").arg(QStringLiteral(SONIVALE_VERSION)));
    p.sinks.open();
    SoundEngine &engine = p.player.engine();
    if (!engine.initialise())
        p.messages.warn(nullptr, QStringLiteral("The sound output could not be started."));
    const QStringList missing = engine.loadChannelSounds(p.player.programFolder());
    if (!missing.isEmpty())
        p.messages.warn(nullptr, QStringLiteral("These sound files are missing or cannot be read, so their channels "
                                                "cannot be switched on: %1")
                                     .arg(missing.join(QStringLiteral(", "))));
    p.player.channels().dofilllabels();
    p.night.reportPreferenceProblems();
    // The sounds first, so that the last mix starts with them.
    CommandLine::Request sounds;
    sounds.channelSounds = request.channelSounds;
    p.commands.applyAtStart(sounds);
    loadMixAtStart(request);
    CommandLine::Request rest = request;
    // The last mix is what a start without a mix plays anyway.
    rest.resume = false;
    rest.channelSounds.clear();
    if (instance) {
        connect(instance, &SingleInstance::requested, &p.commands, &DesktopCommands::applyHandedOver);
        publishMediaControls();
    } else {
        p.messages.line(QStringLiteral("No session bus: running without media controls or later starts' requests."));
    }
    p.commands.applyAtStart(rest);
}

// The mix the command line names is loaded with the rest of it; without one, the last mix.
void HeadlessProgram::loadMixAtStart(const CommandLine::Request &request)
{
    if (!request.mixFile.isEmpty())
        return;
    MixCommands &mixes = m_parts->player.mixCommands();
    if (!QFileInfo::exists(mixes.lastSettingsPath())) {
        m_parts->messages.line(QStringLiteral("There is no last mix yet: silent until a mix is loaded (--load MIX.smf)."));
        return;
    }
    mixes.loadFile(nullptr, mixes.lastSettingsPath());
}

void HeadlessProgram::publishMediaControls()
{
    Parts &p = *m_parts;
    p.mpris = std::make_unique<MprisService>(QDBusConnection::sessionBus(), p.player.pauseControl(), p.output,
                                             MprisService::Window{{}, [this] { endInOrder(); }});
    if (!p.mpris->publish())
        p.messages.warn(nullptr, QStringLiteral("The media controls could not be published on the session bus."));
}

Player &HeadlessProgram::player()
{
    return m_parts->player;
}

void HeadlessProgram::endInOrder()
{
    if (m_ending)
        return;
    m_ending = true;
    Parts &p = *m_parts;
    p.player.mixCommands().writeLastSettings(nullptr);
    p.messages.line(QStringLiteral("Ending; the mix is kept for the next start."));
    p.quit();
}
