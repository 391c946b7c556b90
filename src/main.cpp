#include "app/Program.h"
#include "headless/HeadlessProgram.h"
#include "product/ProgramPaths.h"
#include "desktop/CommandLine.h"
#include "desktop/SingleInstance.h"
#include "render/RenderCommandLine.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>

#include <algorithm>
#include <cstdio>

namespace {

void print(const QString &text, int status)
{
    std::fputs(text.toLocal8Bit().constData(), status == 0 ? stdout : stderr);
}

QStringList rawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Qt's own options (-platform, -style...) are taken out by QApplication; until then they
// would read as unknown options.
bool hasQtOption(const QStringList &arguments)
{
    // QGuiApplication's and QApplication's own; anything else is answered here, with or
    // without a display.
    static const QStringList qtOptions{
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"), QStringLiteral("reverse"),
        QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("geometry"), QStringLiteral("title"),
        QStringLiteral("name"), QStringLiteral("style"), QStringLiteral("stylesheet"), QStringLiteral("widgetcount"),
        QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync")};
    return std::any_of(arguments.begin() + 1, arguments.end(), [](const QString &argument) {
        return argument.startsWith(QLatin1Char('-')) && !argument.startsWith(QLatin1String("--"))
            && qtOptions.contains(argument.mid(1).section(QLatin1Char('='), 0, 0));
    });
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}

int main(int argc, char *argv[])
{
    if (RenderCommandLine::isRequested(argc, argv))
        return RenderCommandLine::run(argc, argv, &ProgramPaths::programFolder, &ProgramPaths::configFolder);

    // --help, --version and bad arguments are answered without a display.
    const QStringList raw = rawArguments(argc, argv);
    CommandLine::Outcome outcome = CommandLine::parse(raw, QDir::currentPath());
    if (outcome.exitNow && (outcome.exitStatus == 0 || !hasQtOption(raw))) {
        print(outcome.output, outcome.exitStatus);
        return outcome.exitStatus;
    }
    // Without a display (over SSH to a machine by a bed, say) a later start's options still
    // reach the running program; only the console needs one.
    if (!outcome.exitNow && (outcome.request.headless || (!hasDisplay() && !hasQtOption(raw))))
        return HeadlessProgram::run(argc, argv, outcome.request);

    QApplication app(argc, argv);
    outcome = CommandLine::parse(QCoreApplication::arguments(), QDir::currentPath());
    if (outcome.exitNow) {
        print(outcome.output, outcome.exitStatus);
        return outcome.exitStatus;
    }
    Program::describeApplication();

    SingleInstance instance(QDBusConnection::sessionBus());
    QString error;
    const SingleInstance::Role role = instance.claim(outcome.request.toArguments(), &error);
    if (role == SingleInstance::Role::HandedOver)
        return 0;
    if (role == SingleInstance::Role::NoAnswer) {
        print(QStringLiteral("sonivale: Sonivale is already running but did not answer (%1).\n").arg(error), 1);
        return 1;
    }
    Program program;
    program.start(outcome.request, role == SingleInstance::Role::First ? &instance : nullptr);
    return QApplication::exec();
}
