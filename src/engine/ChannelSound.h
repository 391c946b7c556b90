#pragma once

#include "usersound/UserSoundFile.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

class LiveSound;
class SoundData;

// What a channel plays: a sound held whole in memory, as read from its file, a sound that
// the synthesis library makes live and never repeats, or the user's own sound file, streamed
// from disk round a seamless loop at the built-in sounds' loudness. Immutable, and shared
// read-only by the buffers that play it, the console's and a render's.
class ChannelSound
{
public:
    static std::shared_ptr<const ChannelSound> stored(std::shared_ptr<const SoundData> data);
    // The live sound shipped as `name` ("Brown_Noise.Wav"), or made only live under `name`
    // ("brook"); null when no sound is made live under that name.
    static std::shared_ptr<const ChannelSound> live(const std::string &name);
    // Any thread but the audio thread: the user's sound file at `path`, streamed; null with
    // `error` set to a clear one-line message naming the file and the reason when it cannot
    // be played.
    static std::shared_ptr<const ChannelSound> fromFile(const QString &path, QString *error);
    // The same, opened, read ahead and measured with `services` rather than the program's own.
    static std::shared_ptr<const ChannelSound> fromFile(const QString &path, QString *error,
                                                        const UserSoundFile::Services &services);

    // A seed of its own for draw `index` from `base`: neighbouring indices give unrelated seeds.
    static std::uint64_t seedFor(std::uint64_t base, std::uint64_t index);

    // Played through a live stream: a sound made live or a streamed file.
    bool isLive() const { return !m_data; }
    // The stored sound, or null for a live one.
    const SoundData *stored() const { return m_data.get(); }
    // The user's file that it streams, or null.
    const UserSoundFile *file() const { return m_file.get(); }
    // True once a stream found the user's file gone or unreadable.
    bool isLost() const { return m_file && m_file->isLost(); }
    // The frequency setting at which it plays at its natural speed: a stored sound's file's
    // rate; for the live sounds and the user's files, the live sounds' own rate.
    int sampleRate() const;
    // Frames of the sound a second for each hertz of the frequency setting: a user's file at
    // 48 kHz plays 48000 / 22050 of a frame a hertz, so that it keeps its natural speed and
    // its bandwidth where the built-in sounds keep theirs.
    double rateRatio() const;
    // Any thread but the audio thread: a new instance of a live sound, drawn from `seed`. An
    // offline one, for a render, may wait on the disk as it plays.
    std::unique_ptr<LiveSound> makeLive(std::uint64_t seed, bool offline = false) const;

private:
    ChannelSound(std::shared_ptr<const SoundData> data, std::string liveName, std::shared_ptr<const UserSoundFile> file);

    std::shared_ptr<const SoundData> m_data;
    std::string m_liveName;
    std::shared_ptr<const UserSoundFile> m_file;
};
