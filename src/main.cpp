#include "app/MainWindow.h"
#include "app/ProgramPaths.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseSystemVolume.h"
#include "platform/QtUserMessages.h"

#include <QApplication>
#include <QGuiApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonivale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sonivale"));
    QApplication::setOrganizationName(QString());
    QGuiApplication::setDesktopFileName(QStringLiteral("sonivale"));

    PulseAudioOutput output;
    PulseSystemVolume systemVolume;
    QtUserMessages messages;

    MainWindow console({&output, &systemVolume, &messages, ProgramPaths::programFolder()});
    console.load();
    return QApplication::exec();
}
