#include "desktop/MprisRootAdaptor.h"

#include "desktop/MprisService.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , m_service(*service)
{
}

bool MprisRootAdaptor::canRaise() const
{
    return bool(m_service.window().raise);
}

void MprisRootAdaptor::Raise()
{
    if (m_service.window().raise)
        m_service.window().raise();
}

// Ending the program closes windows and may ask about running conversions; the caller
// gets its answer first.
void MprisRootAdaptor::Quit()
{
    if (m_service.window().quit)
        QMetaObject::invokeMethod(&m_service, m_service.window().quit, Qt::QueuedConnection);
}
