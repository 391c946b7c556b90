#include "app/Program.h"

#include "app/AppLifecycle.h"
#include "app/InfoWindows.h"
#include "app/MainWindow.h"
#include "app/PlayOnMenu.h"
#include "app/ProductImages.h"
#include "product/ProductInfo.h"
#include "app/RecorderLauncher.h"
#include "app/StartSequence.h"
#include "app/StartupMessages.h"
#include "desktop/Autostart.h"
#include "desktop/DesktopCommands.h"
#include "desktop/DesktopPreferences.h"
#include "desktop/MprisService.h"
#include "desktop/SingleInstance.h"
#include "engine/PauseControl.h"
#include "night/MixGlide.h"
#include "night/NightFeatures.h"
#include "night/SleepTimer.h"
#include "night/windows/NightMenus.h"
#include "output/SinkChoice.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseAudioSinks.h"
#include "platform/PulseCaptureDevice.h"
#include "platform/PulseConnection.h"
#include "platform/PulseMixerLines.h"
#include "platform/PulseSystemVolume.h"
#include "platform/QtProgramStarter.h"
#include "platform/SystemClock.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/windows/QtDesktopServices.h"
#include "platform/windows/QtFileDialogs.h"
#include "platform/windows/QtTrayIcon.h"
#include "platform/windows/QtUserMessages.h"
#include "player/Player.h"
#include "product/ProgramPaths.h"
#include "recorder/Mp3Converter.h"
#include "recorder/RecorderFileCommands.h"
#include "render/windows/RenderWindow.h"
#include "settings/MixCommands.h"
#include "settings/Preferences.h"
#include "sounds/SoundChooser.h"
#include "sounds/windows/SoundMenus.h"

#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <csignal>

namespace {

// The program as the autostart entry names it: by name when that is what the PATH finds,
// else by its full path (a build tree's program, say).
QString autostartProgram()
{
    const QString running = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString found = QStandardPaths::findExecutable(QStringLiteral("sonivale"));
    if (!found.isEmpty() && QFileInfo(found).canonicalFilePath() == running)
        return QStringLiteral("sonivale");
    return running;
}

}

struct Program::Parts
{
    explicit Parts(std::function<void()> quit)
        : lifecycle(std::move(quit))
        , infoWindows(desktop)
        , recorder({&capture, &mixerLines, &programs, &messages, &clock})
        , player({&output, &fileDialogs, &startMessages, ProgramPaths::programFolder(), ProgramPaths::configFolder()})
        , console(player, {&systemVolume, &startMessages})
        , trayIcon(ProductImages::programIcon(), console.trayPopupMenu())
        , preferences(ProgramPaths::configFolder())
        , sinkChoice(sinks, output, preferences.playOnSink())
        , nightPreferences(ProgramPaths::configFolder())
        , night({&player.channels(), &player.engine(), &player.pauseControl(), &clock, &startMessages,
                 &nightPreferences, &console})
        , nightMenus({&night, &fileDialogs, &console, {}})
        , soundMenus({&player.soundChooser(), &fileDialogs, &console})
        , commands(player.pauseControl(),
                   {[this](const QString &path) { player.mixCommands().loadFile(&console, path); },
                    [this] { console.restoreFromTray(); }, [this] { player.mixCommands().resumeLast(&console); },
                    [this](const SoundChoices::Assignment &sound) {
                        soundMenus.choose(sound.channel, sound.choice, &console);
                    }})
    {
    }

    // Made first so that a signal that comes during start-up waits for the event loop.
    UnixSignalWatcher signalWatcher{SIGTERM, SIGINT, SIGHUP};
    AppLifecycle lifecycle;
    // Before every part that talks to the sound server, so that it outlives them all.
    PulseConnection soundServer;
    PulseAudioOutput output{soundServer};
    PulseAudioSinks sinks{soundServer};
    PulseSystemVolume systemVolume{soundServer};
    QtUserMessages messages;
    StartupMessages startMessages{messages};
    QtFileDialogs fileDialogs;
    QtDesktopServices desktop;
    InfoWindows infoWindows;
    PulseCaptureDevice capture{soundServer};
    PulseMixerLines mixerLines{soundServer};
    QtProgramStarter programs;
    SystemClock clock;
    RecorderLauncher recorder;
    Player player;
    MainWindow console;
    QtTrayIcon trayIcon;
    DesktopPreferences preferences;
    SinkChoice sinkChoice;
    Preferences nightPreferences;
    NightFeatures night;
    NightMenus nightMenus;
    SoundMenus soundMenus;
    Autostart autostart;
    DesktopCommands commands;
    std::unique_ptr<MprisService> mpris;
};

Program::Program(std::function<void()> quit, QObject *parent)
    : QObject(parent)
{
    if (!quit)
        quit = [] { QCoreApplication::quit(); };
    m_parts = std::make_unique<Parts>(std::move(quit));
    Parts &p = *m_parts;
    p.recorder.setWindowHook([&p](RecorderWindow &window) {
        new RecorderFileCommands(window, p.capture, p.fileDialogs, p.messages, p.desktop, p.programs,
                                 ProgramPaths::programFolder());
    });
    p.console.attachTrayIcon(p.trayIcon);
    p.lifecycle.watchConsole(&p.console);
    p.lifecycle.setBeforeExit([this, &p] {
        // At a session's end nobody can answer; the conversions end with the program.
        if (!m_ending)
            Mp3Converter::settleBeforeExit(p.messages, &p.console);
    });
    connect(&p.console, &MainWindow::exitRequested, &p.lifecycle, &AppLifecycle::exitProgram);
    connect(&p.console, &MainWindow::helpRequested, &p.infoWindows, &InfoWindows::openHelp);
    connect(&p.console, &MainWindow::contactRequested, &p.infoWindows, &InfoWindows::showContact);
    connect(&p.console, &MainWindow::aboutRequested, &p.infoWindows, &InfoWindows::showAbout);
    connect(&p.console, &MainWindow::recordRequested, &p.recorder, &RecorderLauncher::show);
    p.nightMenus.addToMenus(p.console.playbackMenu(), p.console.trayPopupMenu());
    p.soundMenus.addToMenu(p.console.playbackMenu());
    connect(&p.console, &MainWindow::soundMenuRequested, &p.soundMenus, &SoundMenus::popUp);
    // --sleep starts the sleep timer for that long, with the fade and end last chosen.
    p.commands.setSleepTimer([&p](std::chrono::minutes length) { p.night.sleepFor(length); });
    connect(&p.night, &NightFeatures::statusChanged, &p.console, &MainWindow::setTrayStatus);
    // The sleep timer ends the program while its user sleeps: nobody is there to answer.
    connect(&p.night, &NightFeatures::exitRequested, this, &Program::endInOrder);
    QAction *renderMix = p.console.playbackMenu()->addAction(tr("&Render Mix\u2026"));
    renderMix->setObjectName(QStringLiteral("renderMix"));
    connect(renderMix, &QAction::triggered, this, [&p] {
        RenderWindow::showFor(&p.console, {&p.player.engine(), &p.fileDialogs, &p.messages,
                                           QStandardPaths::writableLocation(QStandardPaths::MusicLocation), {}});
    });

    wireDesktop();

    connect(&p.signalWatcher, &UnixSignalWatcher::received, this, &Program::endInOrder);
    // Qt asks for the user's data when the session ends; nobody can answer a question then.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &Program::endInOrder);
    // Whatever else ends the event loop, the last mix is written first.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Program::endInOrder);
}

Program::~Program() = default;

void Program::describeApplication()
{
    QApplication::setApplicationName(QStringLiteral("Sonivale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sonivale"));
    QApplication::setWindowIcon(ProductImages::programIcon());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(ProductInfo::applicationId));
}

void Program::start(const CommandLine::Request &request, SingleInstance *instance)
{
    Parts &p = *m_parts;
    p.sinks.open();
    const CommandLine::Request started = request.atStart(p.preferences.playLastMixAtStart());
    StartSequence({&p.console, &p.night, &p.commands, &p.startMessages}).run(started, [this, &p, instance] {
        if (instance) {
            connect(instance, &SingleInstance::requested, &p.commands, &DesktopCommands::applyHandedOver);
            publishMediaControls();
        }
    });
}

// The desktop's side of the console: the start-in-tray box and the mix files' folder are
// kept in the preferences, and the autostart entry is offered in the Playback menu.
void Program::wireDesktop()
{
    Parts &p = *m_parts;
    QCheckBox *startInTray = p.console.startInTrayBox();
    startInTray->setChecked(p.preferences.startInTray());
    connect(startInTray, &QCheckBox::toggled, this, [&p](bool on) { p.preferences.setStartInTray(on); });

    MixCommands &mixes = p.player.mixCommands();
    mixes.setDialogFolder(p.preferences.mixFolder());
    p.nightMenus.setMixFolder(mixes.dialogFolder());
    connect(&mixes, &MixCommands::dialogFolderChanged, this, [&p](const QString &folder) {
        p.preferences.setMixFolder(folder);
        p.nightMenus.setMixFolder(folder);
    });
    // A mix the user puts on the console is the last word over a scheduled glide.
    connect(&mixes, &MixCommands::mixApplied, &p.night.glide(), &MixGlide::stop);
    connect(&mixes, &MixCommands::mixFileChanged, this, [&p](const QString &path) {
        if (p.mpris)
            p.mpris->setMixFile(path);
    });

    // Beside the other additions, so that the console's own menus stay as they are.
    QMenu *playback = p.console.playbackMenu();
    playback->addSeparator();
    // Where the sound plays, remembered by the sink's name for the next start.
    playback->addMenu(new PlayOnMenu(p.sinkChoice, playback));
    connect(&p.sinkChoice, &SinkChoice::chosenChanged, this, [&p](const QString &name) { p.preferences.setPlayOnSink(name); });
    playback->addSeparator();
    QAction *withDesktop = playback->addAction(tr("Start &with the Desktop"));
    withDesktop->setObjectName(QStringLiteral("startWithDesktop"));
    withDesktop->setCheckable(true);
    withDesktop->setChecked(p.autostart.isEnabled());
    connect(withDesktop, &QAction::toggled, this, [&p, withDesktop](bool on) {
        QString error;
        const bool done = on ? p.autostart.enable(autostartProgram(), &error) : p.autostart.disable(&error);
        if (!done) {
            p.messages.warn(&p.console, tr("The autostart entry \"%1\" could not be changed (%2).")
                                            .arg(p.autostart.entryPath(), error));
            const QSignalBlocker block(withDesktop);
            withDesktop->setChecked(!on);
            return;
        }
        p.preferences.setStartWithDesktop(on);
    });
    // A start, with the desktop or by hand, plays the mix of the last run when this is ticked.
    QAction *lastMix = playback->addAction(tr("Play the &Last Mix at Start"));
    lastMix->setObjectName(QStringLiteral("playLastMixAtStart"));
    lastMix->setCheckable(true);
    lastMix->setChecked(p.preferences.playLastMixAtStart());
    connect(lastMix, &QAction::toggled, this, [&p](bool on) { p.preferences.setPlayLastMixAtStart(on); });
}

void Program::publishMediaControls()
{
    Parts &p = *m_parts;
    p.mpris = std::make_unique<MprisService>(QDBusConnection::sessionBus(), p.player.pauseControl(), p.output,
                                             MprisService::Window{[&p] { p.console.restoreFromTray(); },
                                                                  [&p] { p.lifecycle.exitProgram(); }});
    p.mpris->publish();
}

Player &Program::player()
{
    return m_parts->player;
}

MainWindow &Program::console()
{
    return m_parts->console;
}

RecorderLauncher &Program::recorder()
{
    return m_parts->recorder;
}

PauseControl &Program::pauseControl()
{
    return m_parts->player.pauseControl();
}

void Program::endInOrder()
{
    if (m_ending)
        return;
    m_ending = true;
    m_parts->recorder.endSession();
    if (auto *render = m_parts->console.findChild<RenderWindow *>(QString(), Qt::FindDirectChildrenOnly))
        render->stopWithoutAsking();
    m_parts->lifecycle.exitProgram();
}
