#include "platform/AudioOutput.h"

#include <algorithm>
#include <cmath>

void AudioOutput::setStreamVolume(double volume)
{
    volume = std::isfinite(volume) ? std::clamp(volume, 0.0, 1.0) : m_streamVolume;
    if (volume == m_streamVolume)
        return;
    m_streamVolume = volume;
    applyStreamVolume(volume);
    emit streamVolumeChanged(volume);
}

void AudioOutput::noteStreamVolume(double volume)
{
    if (!std::isfinite(volume) || volume < 0.0 || volume == m_streamVolume)
        return;
    m_streamVolume = volume;
    emit streamVolumeChanged(volume);
}

void AudioOutput::setSink(const QString &name)
{
    m_sink = name;
    applySink(name);
}
