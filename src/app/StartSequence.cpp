#include "app/StartSequence.h"

#include "app/MainWindow.h"
#include "app/StartupMessages.h"
#include "desktop/DesktopCommands.h"
#include "night/NightFeatures.h"

#include <QCheckBox>

StartSequence::StartSequence(const Parts &parts)
    : m_parts(parts)
{
}

void StartSequence::run(const CommandLine::Request &request, const std::function<void()> &beforeCommands)
{
    MainWindow &console = *m_parts.console;
    console.load();
    m_parts.night->reportPreferenceProblems();
    // A start in the tray for this once; the console's own check hides it when the box is ticked.
    if (request.tray && !console.startInTrayBox()->isChecked()) {
        QObject::connect(&console.startInTrayTimer(), &QTimer::timeout, &console, [&console] { console.sendToTray(); },
                         Qt::SingleShotConnection);
    }
    if (beforeCommands)
        beforeCommands();
    m_parts.commands->applyAtStart(request);
    m_parts.messages->release();
}
