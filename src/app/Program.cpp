#include "app/Program.h"

#include "app/AppLifecycle.h"
#include "app/InfoWindows.h"
#include "app/MainWindow.h"
#include "app/ProductImages.h"
#include "app/ProgramPaths.h"
#include "app/RecorderLauncher.h"
#include "night/NightFeatures.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseCaptureDevice.h"
#include "platform/PulseMixerLines.h"
#include "platform/PulseSystemVolume.h"
#include "platform/QtDesktopServices.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtProgramStarter.h"
#include "platform/QtTrayIcon.h"
#include "platform/QtUserMessages.h"
#include "platform/SystemClock.h"
#include "platform/UnixSignalWatcher.h"
#include "recorder/Mp3Converter.h"
#include "recorder/RecorderFileCommands.h"
#include "settings/Preferences.h"

#include <QApplication>

#include <csignal>

struct Program::Parts
{
    explicit Parts(std::function<void()> quit)
        : lifecycle(std::move(quit))
        , infoWindows(desktop)
        , recorder({&capture, &mixerLines, &programs, &messages, &clock})
        , console({&output, &systemVolume, &messages, &fileDialogs, ProgramPaths::programFolder(),
                   ProgramPaths::configFolder()})
        , trayIcon(ProductImages::programIcon(), console.trayPopupMenu())
        , preferences(ProgramPaths::configFolder())
        , night({&console.channels(), &console.engine(), &console.pauseControl(), &clock, &messages, &fileDialogs,
                 &preferences, &console, ProgramPaths::configFolder()})
    {
    }

    // Made first so that a signal that comes during start-up waits for the event loop.
    UnixSignalWatcher signalWatcher{SIGTERM, SIGINT, SIGHUP};
    AppLifecycle lifecycle;
    PulseAudioOutput output;
    PulseSystemVolume systemVolume;
    QtUserMessages messages;
    QtFileDialogs fileDialogs;
    QtDesktopServices desktop;
    InfoWindows infoWindows;
    PulseCaptureDevice capture;
    PulseMixerLines mixerLines;
    QtProgramStarter programs;
    SystemClock clock;
    RecorderLauncher recorder;
    MainWindow console;
    QtTrayIcon trayIcon;
    Preferences preferences;
    NightFeatures night;
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
    p.night.addToMenus(p.console.playbackMenu(), p.console.trayPopupMenu());
    connect(&p.night, &NightFeatures::statusChanged, &p.console, &MainWindow::setTrayStatus);
    // The sleep timer ends the program while its user sleeps: nobody is there to answer.
    connect(&p.night, &NightFeatures::exitRequested, this, &Program::endInOrder);

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
    QGuiApplication::setDesktopFileName(QStringLiteral("sonivale"));
}

void Program::start()
{
    m_parts->console.load();
    m_parts->night.reportPreferenceProblems();
}

MainWindow &Program::console()
{
    return m_parts->console;
}

RecorderLauncher &Program::recorder()
{
    return m_parts->recorder;
}

void Program::endInOrder()
{
    if (m_ending)
        return;
    m_ending = true;
    m_parts->recorder.endSession();
    m_parts->lifecycle.exitProgram();
}
