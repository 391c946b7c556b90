#include "app/AppLifecycle.h"
#include "app/InfoWindows.h"
#include "app/MainWindow.h"
#include "app/ProductImages.h"
#include "app/ProgramPaths.h"
#include "app/RecorderLauncher.h"
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
#include "recorder/RecorderFileCommands.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonivale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sonivale"));
    QApplication::setWindowIcon(ProductImages::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("sonivale"));

    AppLifecycle lifecycle([] { QCoreApplication::quit(); });
    PulseAudioOutput output;
    PulseSystemVolume systemVolume;
    QtUserMessages messages;
    QtFileDialogs fileDialogs;
    QtDesktopServices desktop;
    InfoWindows infoWindows(desktop);
    PulseCaptureDevice capture;
    PulseMixerLines mixerLines;
    QtProgramStarter programs;
    SystemClock clock;
    RecorderLauncher recorder({&capture, &mixerLines, &programs, &messages, &clock});
    recorder.setWindowHook([&](RecorderWindow &window) {
        new RecorderFileCommands(window, capture, fileDialogs, messages, desktop, programs, ProgramPaths::programFolder());
    });

    MainWindow console({&output, &systemVolume, &messages, &fileDialogs, ProgramPaths::programFolder(),
                        ProgramPaths::configFolder()});
    QtTrayIcon trayIcon(ProductImages::programIcon(), console.trayMenu());
    console.attachTrayIcon(trayIcon);
    lifecycle.watchConsole(&console);
    QObject::connect(&console, &MainWindow::exitRequested, &lifecycle, &AppLifecycle::exitProgram);
    QObject::connect(&console, &MainWindow::helpRequested, &infoWindows, &InfoWindows::openHelp);
    QObject::connect(&console, &MainWindow::contactRequested, &infoWindows, &InfoWindows::showContact);
    QObject::connect(&console, &MainWindow::aboutRequested, &infoWindows, &InfoWindows::showAbout);
    QObject::connect(&console, &MainWindow::recordRequested, &recorder, &RecorderLauncher::show);

    console.load();
    return QApplication::exec();
}
