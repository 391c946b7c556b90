#include "TonePlayer.h"

#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelTable.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseConnection.h"

TonePlayer::TonePlayer() = default;

TonePlayer::~TonePlayer()
{
    m_engine.reset();
    m_output.reset();
    m_connection.reset();
}

bool TonePlayer::start(double hertz, double amplitude, int sampleRate)
{
    const QString file = ChannelTable::soundFilePath(m_sounds.path(), ChannelTable::channel(1).soundFile);
    if (!m_sounds.isValid() || !TestSounds::writeSine(file, sampleRate, sampleRate, hertz, amplitude))
        return false;
    m_connection = std::make_unique<PulseConnection>();
    m_output = std::make_unique<PulseAudioOutput>(*m_connection);
    m_engine = std::make_unique<SoundEngine>(*m_output);
    if (!m_engine->initialise() || !m_output->waitForServer(5000))
        return false;
    m_engine->loadChannelSounds(m_sounds.path());
    ChannelBuffer *tone = m_engine->buffer(1);
    if (!tone)
        return false;
    tone->setVolume(0);
    tone->play();
    return true;
}
