#pragma once

#include <cstdint>
#include <memory>
#include <string>

class LiveSound;
class QString;
class SoundData;

// What a channel plays: a sound held whole in memory, as read from its file, or a sound that
// the synthesis library makes live and never repeats. Immutable, and shared read-only by the
// buffers that play it, the console's and a render's.
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

    // A seed of its own for draw `index` from `base`: neighbouring indices give unrelated seeds.
    static std::uint64_t seedFor(std::uint64_t base, std::uint64_t index);

    bool isLive() const { return !m_data; }
    // The stored sound, or null for a live one.
    const SoundData *stored() const { return m_data.get(); }
    // The rate it plays at unless told otherwise: its file's, or the live sounds' own.
    int sampleRate() const;
    // Any thread but the audio thread: a new instance of a live sound, drawn from `seed`.
    std::unique_ptr<LiveSound> makeLive(std::uint64_t seed) const;

private:
    ChannelSound(std::shared_ptr<const SoundData> data, std::string liveName);

    std::shared_ptr<const SoundData> m_data;
    std::string m_liveName;
};
