#include "desktop/DesktopCommands.h"

#include "engine/PauseControl.h"

#include <QDebug>
#include <QDir>

DesktopCommands::DesktopCommands(PauseControl &pause, Console console, QObject *parent)
    : QObject(parent)
    , m_pause(pause)
    , m_console(std::move(console))
{
}

void DesktopCommands::applyAtStart(const CommandLine::Request &request)
{
    apply(request);
}

void DesktopCommands::applyHandedOver(const QStringList &arguments)
{
    const CommandLine::Outcome outcome =
        CommandLine::parse(QStringList{QStringLiteral("sonivale")} + arguments, QDir::rootPath());
    if (outcome.exitNow) {
        qWarning().noquote() << "Ignored a request from another start:" << outcome.output.trimmed();
        return;
    }
    // A start from the menu or the file manager means "show me the program".
    if (outcome.request.isPlainStart() || !outcome.request.mixFile.isEmpty())
        m_console.raise();
    apply(outcome.request);
}

void DesktopCommands::apply(const CommandLine::Request &request)
{
    if (m_console.chooseSound) {
        for (const SoundChoices::Assignment &assignment : request.channelSounds)
            m_console.chooseSound(assignment);
    }
    if (!request.mixFile.isEmpty())
        m_console.loadMix(request.mixFile);
    if (request.resume && m_console.resumeLast)
        m_console.resumeLast();
    switch (request.playback) {
    case CommandLine::Playback::Play: m_pause.play(); break;
    case CommandLine::Playback::Pause: m_pause.pause(); break;
    case CommandLine::Playback::Toggle: m_pause.toggle(); break;
    case CommandLine::Playback::Unchanged: break;
    }
    if (!request.sleep)
        return;
    if (m_sleepTimer)
        m_sleepTimer(*request.sleep);
    else
        qWarning().noquote() << "sonivale: the sleep timer is not available in this version; --sleep was ignored.";
}
