#include "sounds/BuiltInSounds.h"

#include "engine/ChannelTable.h"
#include "synth/LiveSounds.h"

namespace BuiltInSounds {

namespace {

QString idOf(const QString &name)
{
    return name.trimmed().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

std::vector<BuiltInSound> makeAll()
{
    std::vector<BuiltInSound> sounds;
    for (const ChannelInfo &info : ChannelTable::channels()) {
        const QString caption = QString::fromLatin1(info.caption);
        sounds.push_back({idOf(caption), caption, ChannelTable::soundFileName(info.soundFile).toStdString(), info.number});
    }
    for (std::string_view extra : LiveSounds::extraNames()) {
        const QString id = QString::fromLatin1(extra.data(), qsizetype(extra.size()));
        sounds.push_back({id, id.left(1).toUpper() + id.mid(1), std::string(extra), 0});
    }
    return sounds;
}

}

const std::vector<BuiltInSound> &all()
{
    static const std::vector<BuiltInSound> sounds = makeAll();
    return sounds;
}

const BuiltInSound *find(const QString &text)
{
    const QString id = idOf(text);
    for (const BuiltInSound &sound : all()) {
        if (sound.id == id)
            return &sound;
    }
    return nullptr;
}

const BuiltInSound &ofChannel(int channel)
{
    return all()[static_cast<std::size_t>(channel - 1)];
}

}
