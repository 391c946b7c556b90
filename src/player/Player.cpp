#include "player/Player.h"

#include "engine/ChannelControls.h"
#include "engine/OutputPause.h"
#include "engine/SoundEngine.h"
#include "output/MasterOutput.h"
#include "settings/MixCommands.h"
#include "settings/Preferences.h"
#include "sounds/SoundChooser.h"

#include <QDir>

Player::Player(const Services &services)
    : m_services(services)
    , m_engine(std::make_unique<SoundEngine>(*services.audioOutput))
    , m_channels(std::make_unique<ChannelControls>(*m_engine))
    , m_master(std::make_unique<MasterOutput>(nullptr, *m_engine))
    , m_mixCommands(std::make_unique<MixCommands>(*m_channels, *m_engine, *services.fileDialogs, *services.messages,
                                                  services.programFolder, services.configFolder))
    , m_pause(std::make_unique<OutputPause>(m_engine->mixer().outputGain()))
    , m_soundChooser(std::make_unique<SoundChooser>(
          *m_engine, *services.messages, QDir(services.configFolder).filePath(QString::fromLatin1(Preferences::fileName))))
{
}

Player::~Player() = default;

PauseControl &Player::pauseControl()
{
    return *m_pause;
}
