#include "sounds/SoundChoices.h"

#include "engine/ChannelSound.h"
#include "sounds/BuiltInSounds.h"

#include <QFileInfo>
#include <QSettings>

namespace {

QString keyOf(int channel)
{
    return QStringLiteral("Channel%1").arg(channel);
}

QString captionOf(int channel)
{
    return QString::fromLatin1(ChannelTable::channel(channel).caption);
}

}

std::optional<SoundChoices::Assignment> SoundChoices::parse(const QString &text, const QString &workingFolder,
                                                            QString *error)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    bool number = false;
    const int channel = equals > 0 ? text.left(equals).trimmed().toInt(&number) : 0;
    if (!number || channel < 1 || channel > ChannelTable::channelCount) {
        *error = QStringLiteral("\"%1\" is not CHANNEL=SOUND with a channel from 1 to %2.")
                     .arg(text)
                     .arg(ChannelTable::channelCount);
        return std::nullopt;
    }
    QString problem;
    const std::optional<SoundChoice> choice = SoundChoice::fromText(text.mid(equals + 1), channel, workingFolder, &problem);
    if (!choice) {
        *error = QStringLiteral("\"%1\": %2.").arg(text, problem);
        return std::nullopt;
    }
    if (choice->kind() == SoundChoice::Kind::File && !QFileInfo(choice->value()).isFile()) {
        *error = QStringLiteral("\"%1\": there is no sound file \"%2\", nor a built-in sound of that name.")
                     .arg(text, choice->value());
        return std::nullopt;
    }
    return Assignment{channel, *choice};
}

QString SoundChoices::toText(const Assignment &assignment)
{
    return QStringLiteral("%1=%2").arg(assignment.channel).arg(assignment.choice.toText());
}

SoundChoices SoundChoices::read(const QString &path, QStringList *problems)
{
    SoundChoices choices;
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QString::fromLatin1(group));
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const QString text = settings.value(keyOf(channel)).toString();
        if (text.isEmpty())
            continue;
        QString ignored;
        const std::optional<SoundChoice> choice = SoundChoice::fromText(text, channel, QString(), &ignored);
        // Only an absolute path is ever kept, so anything else that is not a sound's name
        // was written by another hand.
        if (!choice || (choice->kind() == SoundChoice::Kind::File && !QFileInfo(text).isAbsolute())) {
            *problems << QStringLiteral("%1: \"%2\" in \"%3\" is neither a built-in sound nor a file's full path.")
                             .arg(captionOf(channel), text, path);
            continue;
        }
        choices.set(channel, *choice);
    }
    return choices;
}

bool SoundChoices::store(const QString &path, int channel, const SoundChoice &choice, QString *error)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QString::fromLatin1(group));
    if (choice.isOwn())
        settings.remove(keyOf(channel));
    else
        settings.setValue(keyOf(channel), choice.toText());
    settings.endGroup();
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    *error = settings.status() == QSettings::FormatError ? QStringLiteral("it is damaged")
                                                          : QStringLiteral("it cannot be written");
    return false;
}

std::shared_ptr<const ChannelSound> SoundChoices::resolve(const SoundChoice &choice, QString *error)
{
    switch (choice.kind()) {
    case SoundChoice::Kind::Own:
        return nullptr;
    case SoundChoice::Kind::BuiltIn:
        if (const BuiltInSound *sound = BuiltInSounds::find(choice.value()))
            return ChannelSound::live(sound->liveName);
        *error = QStringLiteral("There is no built-in sound \"%1\".").arg(choice.value());
        return nullptr;
    case SoundChoice::Kind::File:
        return ChannelSound::fromFile(choice.value(), error);
    }
    return nullptr;
}

QString SoundChoices::nameOf(int channel, const SoundChoice &choice)
{
    switch (choice.kind()) {
    case SoundChoice::Kind::Own:
        return captionOf(channel);
    case SoundChoice::Kind::BuiltIn:
        if (const BuiltInSound *sound = BuiltInSounds::find(choice.value()))
            return sound->name;
        return choice.value();
    case SoundChoice::Kind::File:
        return QFileInfo(choice.value()).fileName();
    }
    return {};
}

QString SoundChoices::describe(int channel, const SoundChoice &choice)
{
    if (choice.isOwn())
        return captionOf(channel);
    return QStringLiteral("%1 \u2014 playing: %2").arg(captionOf(channel), nameOf(channel, choice));
}

std::vector<SoundChoices::Option> SoundChoices::optionsFor(int channel, const SoundChoice &current)
{
    using Group = Option::Group;
    std::vector<Option> options{{Group::Own, QStringLiteral("Own Sound (%1)").arg(captionOf(channel)), SoundChoice()}};
    for (const BuiltInSound &sound : BuiltInSounds::all()) {
        if (sound.channel != channel)
            options.push_back({sound.channel != 0 ? Group::Channels : Group::New, sound.name, SoundChoice::builtIn(sound.id)});
    }
    if (current.kind() == SoundChoice::Kind::File)
        options.push_back({Group::File, nameOf(channel, current), current});
    return options;
}
