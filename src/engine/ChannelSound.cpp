#include "engine/ChannelSound.h"

#include "engine/SoundData.h"
#include "synth/LiveSound.h"
#include "synth/LiveSounds.h"

#include <algorithm>

ChannelSound::ChannelSound(std::shared_ptr<const SoundData> data, std::string liveName,
                           std::shared_ptr<const UserSoundFile> file)
    : m_data(std::move(data))
    , m_liveName(std::move(liveName))
    , m_file(std::move(file))
{
}

std::shared_ptr<const ChannelSound> ChannelSound::stored(std::shared_ptr<const SoundData> data)
{
    return std::shared_ptr<const ChannelSound>(new ChannelSound(std::move(data), {}, nullptr));
}

std::shared_ptr<const ChannelSound> ChannelSound::live(const std::string &name)
{
    const std::vector<std::string_view> extras = LiveSounds::extraNames();
    if (!LiveSounds::makes(name) && std::find(extras.begin(), extras.end(), name) == extras.end())
        return nullptr;
    return std::shared_ptr<const ChannelSound>(new ChannelSound(nullptr, name, nullptr));
}

std::shared_ptr<const ChannelSound> ChannelSound::fromFile(const QString &path, QString *error)
{
    return fromFile(path, error, UserSoundFile::Services::standard());
}

std::shared_ptr<const ChannelSound> ChannelSound::fromFile(const QString &path, QString *error,
                                                           const UserSoundFile::Services &services)
{
    std::shared_ptr<const UserSoundFile> file = UserSoundFile::open(path, error, services);
    if (!file)
        return nullptr;
    return std::shared_ptr<const ChannelSound>(new ChannelSound(nullptr, {}, std::move(file)));
}

int ChannelSound::sampleRate() const
{
    return m_data ? m_data->sampleRate() : LiveSound::sampleRate;
}

double ChannelSound::rateRatio() const
{
    return m_file ? static_cast<double>(m_file->sampleRate()) / LiveSound::sampleRate : 1.0;
}

std::unique_ptr<LiveSound> ChannelSound::makeLive(std::uint64_t seed, bool offline) const
{
    if (m_file)
        return m_file->stream(seed, offline);
    return LiveSounds::make(m_liveName, seed);
}

std::uint64_t ChannelSound::seedFor(std::uint64_t base, std::uint64_t index)
{
    std::uint64_t value = base + 0x9e3779b97f4a7c15ULL * (index + 1);
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}
