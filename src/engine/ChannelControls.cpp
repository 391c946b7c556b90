#include "engine/ChannelControls.h"

#include "engine/ChannelBuffer.h"
#include "engine/SoundEngine.h"

ChannelControls::ChannelControls(SoundEngine &engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
{
}

int ChannelControls::minimum(Slider kind)
{
    switch (kind) {
    case Slider::Volume: return ChannelTable::volumeMinimum;
    case Slider::Pan: return ChannelTable::panMinimum;
    case Slider::Frequency: return ChannelTable::frequencyMinimum;
    }
    return 0;
}

int ChannelControls::maximum(Slider kind)
{
    switch (kind) {
    case Slider::Volume: return ChannelTable::volumeMaximum;
    case Slider::Pan: return ChannelTable::panMaximum;
    case Slider::Frequency: return ChannelTable::frequencyMaximum;
    }
    return 0;
}

int ChannelControls::startValue(Slider kind)
{
    switch (kind) {
    case Slider::Volume: return ChannelTable::volumeStart;
    case Slider::Pan: return ChannelTable::panStart;
    case Slider::Frequency: return ChannelTable::frequencyStart;
    }
    return 0;
}

int ChannelControls::switchState(int channel) const
{
    return at(channel).switchState;
}

bool ChannelControls::setSwitch(int channel, int state)
{
    if (state != 0 && state != 1)
        return false;
    if (state == 1 && !isAvailable(channel))
        return false;
    Channel &row = at(channel);
    if (row.switchState == state)
        return true;
    row.switchState = state;
    emit switchChanged(channel, state);
    switchHandler(channel);
    return true;
}

int ChannelControls::slider(int channel, Slider kind) const
{
    const Channel &row = at(channel);
    switch (kind) {
    case Slider::Volume: return row.volume;
    case Slider::Pan: return row.pan;
    case Slider::Frequency: break;
    }
    return row.frequency;
}

bool ChannelControls::setSlider(int channel, Slider kind, int value)
{
    if (!inRange(kind, value))
        return false;
    int &current = field(at(channel), kind);
    if (current == value)
        return true;
    current = value;
    emit sliderChanged(channel, kind, value);
    sliderHandler(channel, kind);
    return true;
}

QString ChannelControls::readout(int channel) const
{
    return at(channel).readout;
}

bool ChannelControls::controlsEnabled(int channel) const
{
    return at(channel).enabled;
}

bool ChannelControls::isAvailable(int channel) const
{
    return m_engine.buffer(channel) != nullptr;
}

void ChannelControls::docheck()
{
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel)
        setEnabled(channel, at(channel).switchState == 1);
}

void ChannelControls::dofilllabels()
{
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel)
        setReadout(channel, QString::number(at(channel).frequency));
}

int &ChannelControls::field(Channel &channel, Slider kind)
{
    switch (kind) {
    case Slider::Volume: return channel.volume;
    case Slider::Pan: return channel.pan;
    case Slider::Frequency: break;
    }
    return channel.frequency;
}

void ChannelControls::switchHandler(int channel)
{
    ChannelBuffer *buffer = m_engine.buffer(channel);
    if (at(channel).switchState == 1) {
        docheck();
        if (channel == 1 || channel == 2)
            dofilllabels();
        if (buffer) {
            setReadout(channel, QString::number(buffer->frequency()));
            buffer->setVolume(at(channel).volume);
            buffer->play();
        }
    }
    if (at(channel).switchState == 0) {
        docheck();
        if (buffer)
            buffer->stop();
    }
}

void ChannelControls::sliderHandler(int channel, Slider kind)
{
    ChannelBuffer *buffer = m_engine.buffer(channel);
    const int value = slider(channel, kind);
    switch (kind) {
    case Slider::Volume:
        if (buffer)
            buffer->setVolume(value);
        break;
    case Slider::Pan:
        if (buffer)
            buffer->setPan(value);
        break;
    case Slider::Frequency:
        if (buffer)
            buffer->setFrequency(value);
        setReadout(channel, QString::number(buffer ? buffer->frequency() : value));
        break;
    }
}

void ChannelControls::setReadout(int channel, const QString &text)
{
    Channel &row = at(channel);
    if (row.readout == text)
        return;
    row.readout = text;
    emit readoutChanged(channel, text);
}

void ChannelControls::setEnabled(int channel, bool enabled)
{
    Channel &row = at(channel);
    if (row.enabled == enabled)
        return;
    row.enabled = enabled;
    emit enabledChanged(channel, enabled);
}
