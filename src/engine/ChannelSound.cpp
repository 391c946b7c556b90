#include "engine/ChannelSound.h"

#include "engine/SoundData.h"
#include "synth/LiveSound.h"
#include "synth/LiveSounds.h"

#include <QString>

#include <algorithm>

ChannelSound::ChannelSound(std::shared_ptr<const SoundData> data, std::string liveName)
    : m_data(std::move(data))
    , m_liveName(std::move(liveName))
{
}

std::shared_ptr<const ChannelSound> ChannelSound::stored(std::shared_ptr<const SoundData> data)
{
    return std::shared_ptr<const ChannelSound>(new ChannelSound(std::move(data), {}));
}

std::shared_ptr<const ChannelSound> ChannelSound::live(const std::string &name)
{
    const std::vector<std::string_view> extras = LiveSounds::extraNames();
    if (!LiveSounds::makes(name) && std::find(extras.begin(), extras.end(), name) == extras.end())
        return nullptr;
    return std::shared_ptr<const ChannelSound>(new ChannelSound(nullptr, name));
}

std::shared_ptr<const ChannelSound> ChannelSound::fromFile(const QString &path, QString *error)
{
    QString reason;
    std::shared_ptr<const SoundData> data = SoundData::load(path, &reason);
    if (!data) {
        if (error)
            *error = QStringLiteral("\"%1\" cannot be played: %2.").arg(path, reason);
        return nullptr;
    }
    return stored(std::move(data));
}

int ChannelSound::sampleRate() const
{
    return m_data ? m_data->sampleRate() : LiveSound::sampleRate;
}

std::unique_ptr<LiveSound> ChannelSound::makeLive(std::uint64_t seed) const
{
    return LiveSounds::make(m_liveName, seed);
}

std::uint64_t ChannelSound::seedFor(std::uint64_t base, std::uint64_t index)
{
    std::uint64_t value = base + 0x9e3779b97f4a7c15ULL * (index + 1);
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}
