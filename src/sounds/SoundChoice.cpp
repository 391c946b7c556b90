#include "sounds/SoundChoice.h"

#include "sounds/BuiltInSounds.h"

#include <QDir>

SoundChoice::SoundChoice(Kind kind, QString value)
    : m_kind(kind)
    , m_value(std::move(value))
{
}

SoundChoice SoundChoice::builtIn(const QString &id)
{
    return SoundChoice(Kind::BuiltIn, id);
}

SoundChoice SoundChoice::file(const QString &absolutePath)
{
    return SoundChoice(Kind::File, absolutePath);
}

QString SoundChoice::toText() const
{
    return isOwn() ? QString::fromLatin1(ownText) : m_value;
}

std::optional<SoundChoice> SoundChoice::fromText(const QString &text, int channel, const QString &workingFolder,
                                                 QString *error)
{
    if (text.trimmed().isEmpty()) {
        *error = QStringLiteral("no sound is named");
        return std::nullopt;
    }
    if (text.trimmed().compare(QLatin1String(ownText), Qt::CaseInsensitive) == 0)
        return SoundChoice();
    if (const BuiltInSound *sound = BuiltInSounds::find(text))
        return sound->channel == channel ? SoundChoice() : builtIn(sound->id);
    // The shell leaves "~" after "6=" as it is.
    const QString path = text.startsWith(QLatin1String("~/")) ? QDir::home().filePath(text.mid(2)) : text;
    return file(QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path)));
}
