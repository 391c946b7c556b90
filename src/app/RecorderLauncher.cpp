#include "app/RecorderLauncher.h"

#include "platform/CaptureDevice.h"
#include "recorder/MixerLinePanel.h"
#include "recorder/RecorderWindow.h"

RecorderLauncher::RecorderLauncher(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
{
}

void RecorderLauncher::show()
{
    if (m_window) {
        m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    CaptureDevice *capture = m_services.capture;
    auto *panel = new MixerLinePanel(*m_services.mixerLines, *m_services.programs, *m_services.messages,
                                     [capture](const QString &source) { capture->setSourceName(source); });
    m_window = new RecorderWindow(*capture, *m_services.messages, *m_services.clock, panel);
    if (m_hook)
        m_hook(*m_window);
    m_window->show();
}

RecorderWindow *RecorderLauncher::window() const
{
    return m_window;
}

void RecorderLauncher::endSession()
{
    if (m_window)
        m_window->endSession();
}
