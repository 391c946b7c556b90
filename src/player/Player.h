#pragma once

#include <QString>

#include <memory>

class AudioOutput;
class ChannelControls;
class FileDialogs;
class MasterOutput;
class MixCommands;
class OutputPause;
class PauseControl;
class SoundChooser;
class SoundEngine;
class UserMessages;

// The sounds as the program plays them, whoever shows them: the engine, the fourteen
// channels' controls, the master output, pause and play, and the mix commands. The program
// owns it for the whole run; the console only shows and drives it, and a start without a
// display runs it alone.
//
// Contract: UI thread. The services must outlive the player; nothing is opened or loaded
// until the one who shows it says so (the console's load, or the start without a display).
class Player
{
public:
    struct Services
    {
        AudioOutput *audioOutput; // required
        FileDialogs *fileDialogs; // required; the mix commands' "Save" and "Load"
        UserMessages *messages;   // required
        QString programFolder;    // the sounds
        QString configFolder;     // the last-settings file, the preferences and the mix files' first folder
    };

    explicit Player(const Services &services);
    ~Player();
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    SoundEngine &engine() { return *m_engine; }
    ChannelControls &channels() { return *m_channels; }
    MasterOutput &master() { return *m_master; }
    MixCommands &mixCommands() { return *m_mixCommands; }
    // The sound each channel plays, kept in the preferences.
    SoundChooser &soundChooser() { return *m_soundChooser; }
    // Pause and play of the whole output; the mix stays as set.
    PauseControl &pauseControl();
    AudioOutput &audioOutput() { return *m_services.audioOutput; }
    const QString &programFolder() const { return m_services.programFolder; }

private:
    Services m_services;
    std::unique_ptr<SoundEngine> m_engine;
    std::unique_ptr<ChannelControls> m_channels;
    std::unique_ptr<MasterOutput> m_master;
    std::unique_ptr<MixCommands> m_mixCommands;
    std::unique_ptr<OutputPause> m_pause;
    std::unique_ptr<SoundChooser> m_soundChooser;
};
