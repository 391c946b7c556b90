#include "output/MasterOutput.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelTable.h"
#include "engine/SoundEngine.h"
#include "platform/SystemVolume.h"

#include <cmath>

MasterOutput::MasterOutput(SystemVolume *systemVolume, SoundEngine &engine, QObject *parent)
    : QObject(parent)
    , m_systemVolume(systemVolume)
    , m_engine(engine)
{
}

quint32 MasterOutput::mixerValue(int position)
{
    return static_cast<quint32>(std::nearbyint(position * 1.99));
}

bool MasterOutput::setVolume(int value)
{
    if (value < volumeMinimum || value > volumeMaximum)
        return false;
    if (value == m_volume)
        return true;
    m_volume = value;
    emit volumeChanged(value);
    if (m_systemVolume)
        m_systemVolume->setVolume(mixerValue(value));
    return true;
}

bool MasterOutput::setPan(int value)
{
    if (value < panMinimum || value > panMaximum)
        return false;
    if (value == m_pan)
        return true;
    m_pan = value;
    emit panChanged(value);
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        if (ChannelBuffer *buffer = m_engine.buffer(channel))
            buffer->setPan(value);
    }
    return true;
}

void MasterOutput::toggleMute()
{
    if (m_muteToggle == 0) {
        m_savedVolume = m_volume;
        setVolume(0);
    }
    if (m_muteToggle == 1)
        setVolume(m_savedVolume);
    m_muteToggle = (m_muteToggle + 1) % 2;
}
