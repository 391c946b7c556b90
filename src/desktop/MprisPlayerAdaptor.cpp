#include "desktop/MprisPlayerAdaptor.h"

#include "desktop/MprisService.h"
#include "engine/PauseControl.h"
#include "platform/AudioOutput.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , m_service(*service)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_service.playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_service.metadata();
}

double MprisPlayerAdaptor::volume() const
{
    return m_service.output().streamVolume();
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    m_service.output().setStreamVolume(volume);
}

void MprisPlayerAdaptor::Play()
{
    m_service.pauseControl().play();
}

void MprisPlayerAdaptor::Pause()
{
    m_service.pauseControl().pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    m_service.pauseControl().toggle();
}

void MprisPlayerAdaptor::Stop()
{
    m_service.pauseControl().pause();
}
