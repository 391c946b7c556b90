#pragma once

#include "engine/ChannelTable.h"
#include "engine/Mixer.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

class AudioOutput;
class ChannelBuffer;
class ChannelSound;

// The audio device of the console: the fourteen channel buffers, mixed into one output.
//
// UI thread only. Buffers are created from the channel table's sound files; a replaced
// buffer that is playing fades out over its usual 5 ms, and is freed here, on the UI
// thread, once the audio thread can no longer read it.
class SoundEngine : public QObject
{
    Q_OBJECT

public:
    explicit SoundEngine(AudioOutput &output, QObject *parent = nullptr);
    ~SoundEngine() override;

    // Starts the output. False when there is no output at all.
    bool initialise();
    bool isInitialised() const { return m_initialised; }

    // Creates a fresh, stopped buffer for every channel from its own file in `folder`,
    // replacing the old ones (which fall silent). A file that is the one shipped plays its
    // live version; any other file is played as it is. Playing channels fade out rather
    // than stop dead. Returns the paths of the files that could not be loaded; those
    // channels have no buffer afterwards.
    QStringList loadChannelSounds(const QString &folder);

    // Prepares the buffers of `channels` (1 to 14; those without a sound are skipped) on
    // every core at once, so that a mix that switches many on at once starts sooner.
    void prepare(const std::vector<int> &channels);

    // Where the live sounds' randomness starts: new at every start unless set, so that a
    // render or a test can be made again exactly. Takes effect at the next loading.
    void setSeed(std::uint64_t seed) { m_seed = seed; }
    std::uint64_t seed() const { return m_seed; }

    // The buffer of channel 1 to 14, or null when its sound could not be loaded.
    ChannelBuffer *buffer(int channel) const;
    // The file that channel 1 to 14 could not load at the last loading, or empty.
    QString failedFile(int channel) const;

    // Channel 1 to 14 plays `sound` instead of what it played; keeps volume, pan, frequency
    // and playing state, and cross-fades a playing channel (the old fades out as the new fades
    // in). A null sound changes nothing. The next loading of the sounds gives every channel
    // its own sound again.
    void setChannelSound(int channel, std::shared_ptr<const ChannelSound> sound);
    // Channel 1 to 14 plays its own sound again, as setChannelSound() would change it; a
    // channel whose own sound could not be loaded falls silent.
    void restoreChannelSound(int channel);

signals:
    // Every buffer was replaced; channels may have gained or lost their sound.
    void soundsLoaded();
    // A user's file that channel 1 to 14 streamed has gone or could no longer be read; the
    // channel went back to its own sound.
    void channelSoundLost(int channel, const QString &path);

public:
    Mixer &mixer() { return m_mixer; }
    const Mixer &mixer() const { return m_mixer; }

private:
    struct Retired
    {
        std::unique_ptr<ChannelBuffer> buffer;
        std::uint64_t ticket = 0;
        int fadingSlot = -1;
        int ticks = 0;
    };

    void install(int channel, std::unique_ptr<ChannelBuffer> buffer);
    std::uint64_t seedFor(int channel) const;
    void freeReleased(bool reaperTick);
    void checkLostFiles();

    AudioOutput &m_output;
    Mixer m_mixer;
    bool m_initialised = false;
    std::uint64_t m_seed;
    std::uint64_t m_loads = 0;
    std::array<std::unique_ptr<ChannelBuffer>, ChannelTable::channelCount> m_buffers;
    std::array<QString, ChannelTable::channelCount> m_failedFiles;
    std::array<std::shared_ptr<const ChannelSound>, ChannelTable::channelCount> m_ownSounds;
    std::uint64_t m_draws = 0;
    std::vector<Retired> m_retired;
    QTimer m_reaper;
    // Looks for lost files while a channel streams one.
    QTimer m_lostWatch;
};
