#include "engine/SoundEngine.h"

#include "engine/ChannelBuffer.h"
#include "engine/ShippedSounds.h"
#include "platform/AudioOutput.h"

#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <random>

namespace {

struct LoadResult
{
    std::shared_ptr<const ChannelSound> sound;
    QString path;
    QString name;
};

std::uint64_t freshSeed()
{
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}

SoundEngine::SoundEngine(AudioOutput &output, QObject *parent)
    : QObject(parent)
    , m_output(output)
    , m_mixer(output.sampleRate())
    , m_seed(freshSeed())
{
    m_reaper.setInterval(250);
    connect(&m_reaper, &QTimer::timeout, this, [this] { freeReleased(true); });
    m_lostWatch.setInterval(250);
    connect(&m_lostWatch, &QTimer::timeout, this, &SoundEngine::checkLostFiles);
}

SoundEngine::~SoundEngine()
{
    m_output.stop();
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel)
        install(channel, nullptr);
    m_retired.clear();
}

bool SoundEngine::initialise()
{
    m_initialised = m_output.start(&m_mixer);
    return m_initialised;
}

QStringList SoundEngine::loadChannelSounds(const QString &folder)
{
    std::vector<LoadResult> results(ChannelTable::channelCount);
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const char *literal = ChannelTable::channel(channel).soundFile;
        LoadResult &result = results[static_cast<std::size_t>(channel - 1)];
        result.path = ChannelTable::soundFilePath(folder, literal);
        result.name = ChannelTable::soundFileName(literal);
    }
    // The files are independent, so both cores read them; start-up waits for all of them. A
    // shipped sound that is made live needs only its fingerprint read.
    const ShippedSounds shipped(folder);
    QtConcurrent::blockingMap(results, [&shipped](LoadResult &result) {
        if (shipped.isShipped(result.name, result.path))
            result.sound = ChannelSound::live(result.name.toStdString());
        if (result.sound)
            return;
        QString error;
        if (std::shared_ptr<const SoundData> data = SoundData::load(result.path, &error))
            result.sound = ChannelSound::stored(std::move(data));
    });
    ++m_loads;

    QStringList failed;
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        LoadResult &result = results[static_cast<std::size_t>(channel - 1)];
        m_failedFiles[static_cast<std::size_t>(channel - 1)] = result.sound ? QString() : result.path;
        m_ownSounds[static_cast<std::size_t>(channel - 1)] = result.sound;
        if (!result.sound)
            failed << result.path;
        install(channel, result.sound ? std::make_unique<ChannelBuffer>(std::move(result.sound), seedFor(channel)) : nullptr);
    }
    emit soundsLoaded();
    return failed;
}

std::uint64_t SoundEngine::seedFor(int channel) const
{
    // Each channel, and each loading, draws a sound of its own.
    return ChannelSound::seedFor(m_seed, m_loads * ChannelTable::channelCount + static_cast<std::uint64_t>(channel));
}

void SoundEngine::setChannelSound(int channel, std::shared_ptr<const ChannelSound> sound)
{
    if (!sound || channel < 1 || channel > ChannelTable::channelCount)
        return;
    // Each new sound on a channel is a draw of its own, so a file starts at a new point.
    auto buffer = std::make_unique<ChannelBuffer>(std::move(sound),
                                                  ChannelSound::seedFor(ChannelSound::seedFor(m_seed, ~0ULL), ++m_draws));
    if (const ChannelBuffer *old = this->buffer(channel)) {
        buffer->setVolume(old->volume());
        buffer->setPan(old->pan());
        buffer->setFrequency(old->frequency());
        buffer->setTrim(old->trim());
        if (old->isPlaying())
            buffer->play();
    }
    install(channel, std::move(buffer));
    if (this->buffer(channel)->sound().file() && !m_lostWatch.isActive())
        m_lostWatch.start();
}

void SoundEngine::restoreChannelSound(int channel)
{
    if (channel < 1 || channel > ChannelTable::channelCount)
        return;
    const std::shared_ptr<const ChannelSound> &own = m_ownSounds[static_cast<std::size_t>(channel - 1)];
    const ChannelBuffer *current = buffer(channel);
    // A channel that plays its own sound goes on with it rather than starting a new draw.
    if (current && current->sharedSound() == own)
        return;
    if (own)
        setChannelSound(channel, own);
    else
        install(channel, nullptr);
}

void SoundEngine::checkLostFiles()
{
    bool streaming = false;
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const ChannelBuffer *found = buffer(channel);
        const UserSoundFile *file = found ? found->sound().file() : nullptr;
        if (!file)
            continue;
        if (!file->isLost()) {
            streaming = true;
            continue;
        }
        const QString path = file->path();
        restoreChannelSound(channel);
        emit channelSoundLost(channel, path);
    }
    if (!streaming)
        m_lostWatch.stop();
}

void SoundEngine::prepare(const std::vector<int> &channels)
{
    std::vector<ChannelBuffer *> buffers;
    for (int channel : channels) {
        if (ChannelBuffer *found = buffer(channel))
            buffers.push_back(found);
    }
    QtConcurrent::blockingMap(buffers, [](ChannelBuffer *buffer) { buffer->prepare(); });
}

ChannelBuffer *SoundEngine::buffer(int channel) const
{
    if (channel < 1 || channel > ChannelTable::channelCount)
        return nullptr;
    return m_buffers[static_cast<std::size_t>(channel - 1)].get();
}

QString SoundEngine::failedFile(int channel) const
{
    if (channel < 1 || channel > ChannelTable::channelCount)
        return {};
    return m_failedFiles[static_cast<std::size_t>(channel - 1)];
}

void SoundEngine::install(int channel, std::unique_ptr<ChannelBuffer> buffer)
{
    auto &slot = m_buffers[static_cast<std::size_t>(channel - 1)];
    ChannelBuffer *old = slot.get();
    Retired retired;
    // The old buffer goes into a fading slot before it leaves its channel's slot, so no
    // render misses it in between.
    if (old && !old->isSilent()) {
        old->stop();
        retired.fadingSlot = m_mixer.keepFading(old);
    }
    m_mixer.exchange(channel, buffer.get(), &retired.ticket);
    retired.buffer = std::exchange(slot, std::move(buffer));
    if (retired.buffer) {
        m_retired.push_back(std::move(retired));
        freeReleased(false);
    }
}

void SoundEngine::freeReleased(bool reaperTick)
{
    // A fading buffer leaves the mix once its fade has been rendered, or when no render has
    // come for a couple of seconds (the output is stopped or lost).
    constexpr int patientTicks = 8;
    for (Retired &retired : m_retired) {
        if (reaperTick)
            ++retired.ticks;
        if (retired.fadingSlot >= 0 && (retired.buffer->isSilent() || retired.ticks > patientTicks)) {
            m_mixer.endFading(retired.fadingSlot, &retired.ticket);
            retired.fadingSlot = -1;
        }
    }
    std::erase_if(m_retired, [this](const Retired &retired) {
        return retired.fadingSlot < 0 && m_mixer.isReleased(retired.ticket);
    });
    if (m_retired.empty())
        m_reaper.stop();
    else if (!m_reaper.isActive())
        m_reaper.start();
}
