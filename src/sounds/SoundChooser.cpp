#include "sounds/SoundChooser.h"

#include "engine/ChannelSound.h"
#include "engine/SoundEngine.h"
#include "platform/UserMessages.h"

#include <QFileInfo>

namespace {

std::size_t index(int channel)
{
    return static_cast<std::size_t>(channel - 1);
}

QString captionOf(int channel)
{
    return QString::fromLatin1(ChannelTable::channel(channel).caption);
}

}

SoundChooser::SoundChooser(SoundEngine &engine, UserMessages &messages, const QString &preferencesPath, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_messages(messages)
    , m_path(preferencesPath)
{
    connect(&engine, &SoundEngine::soundsLoaded, this, &SoundChooser::onSoundsLoaded);
    connect(&engine, &SoundEngine::channelSoundLost, this, &SoundChooser::onSoundLost);
}

SoundChooser::~SoundChooser() = default;

bool SoundChooser::choose(int channel, const SoundChoice &choice, QWidget *parent)
{
    if (channel < 1 || channel > ChannelTable::channelCount)
        return false;
    QString error;
    std::shared_ptr<const ChannelSound> sound = SoundChoices::resolve(choice, &error);
    if (!choice.isOwn() && !sound) {
        m_messages.warn(parent, QStringLiteral("%1 %2 plays on as before.").arg(error, captionOf(channel)));
        return false;
    }
    m_sounds[index(channel)] = std::move(sound);
    m_inForce.set(channel, choice);
    putInForce(channel);
    if (!SoundChoices::store(m_path, channel, choice, &error)) {
        m_messages.warn(parent, QStringLiteral("%1 plays %2 now, but the choice could not be kept in \"%3\", because "
                                               "%4; the next start plays what was kept before.")
                                    .arg(captionOf(channel), SoundChoices::nameOf(channel, choice), m_path, error));
    }
    emit choiceChanged(channel);
    return true;
}

// A loading gives every channel its own sound; the choices go back in force after it.
void SoundChooser::onSoundsLoaded()
{
    if (!m_started) {
        m_started = true;
        takeKeptChoices();
    }
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        if (!choice(channel).isOwn())
            putInForce(channel);
    }
}

// What the preferences keep, at the first loading: a file that is gone or cannot be
// played is named, and its channel plays its own sound; the preferences keep it, for a
// file on a drive that comes back.
void SoundChooser::takeKeptChoices()
{
    QStringList problems;
    const SoundChoices kept = SoundChoices::read(m_path, &problems);
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const SoundChoice &choice = kept.choice(channel);
        if (choice.isOwn())
            continue;
        QString error;
        std::shared_ptr<const ChannelSound> sound;
        if (choice.kind() == SoundChoice::Kind::File && !QFileInfo::exists(choice.value()))
            error = QStringLiteral("\"%1\" is gone.").arg(choice.value());
        else
            sound = SoundChoices::resolve(choice, &error);
        if (!sound) {
            problems << QStringLiteral("%1: %2").arg(captionOf(channel), error);
            continue;
        }
        m_sounds[index(channel)] = std::move(sound);
        m_inForce.set(channel, choice);
        emit choiceChanged(channel);
    }
    if (!problems.isEmpty()) {
        m_messages.warn(nullptr, QStringLiteral("These chosen sounds cannot be played, so their channels play their "
                                                "own sounds:\n%1")
                                     .arg(problems.join(QLatin1Char('\n'))));
    }
}

void SoundChooser::putInForce(int channel)
{
    if (const std::shared_ptr<const ChannelSound> &sound = m_sounds[index(channel)])
        m_engine.setChannelSound(channel, sound);
    else
        m_engine.restoreChannelSound(channel);
}

void SoundChooser::onSoundLost(int channel, const QString &path)
{
    m_sounds[index(channel)].reset();
    m_inForce.set(channel, SoundChoice());
    m_messages.warn(nullptr, QStringLiteral("The sound file \"%1\" that %2 played is gone; %2 plays its own sound again.")
                                 .arg(path, captionOf(channel)));
    emit choiceChanged(channel);
}
