#pragma once

#include <QString>

#include <optional>

// What one channel is to play: its own sound, a built-in sound (by its id, as in
// BuiltInSounds), or a sound file of the user's (by its absolute path). A plain value.
class SoundChoice
{
public:
    enum class Kind { Own, BuiltIn, File };

    static constexpr const char *ownText = "default";

    SoundChoice() = default;
    static SoundChoice builtIn(const QString &id);
    static SoundChoice file(const QString &absolutePath);

    Kind kind() const { return m_kind; }
    bool isOwn() const { return m_kind == Kind::Own; }
    // The built-in sound's id, or the file's path; empty for the own sound.
    const QString &value() const { return m_value; }

    // As the command line and the preferences write it: "default", an id, or a path.
    QString toText() const;
    // Reads "default", a built-in sound's id or name, or a path, which is made absolute
    // against `workingFolder` ("~/" is the home folder). The choice of the built-in sound that is `channel`'s own is
    // its own sound. Null with `error` set when the text is empty.
    static std::optional<SoundChoice> fromText(const QString &text, int channel, const QString &workingFolder,
                                               QString *error);

    bool operator==(const SoundChoice &other) const = default;

private:
    SoundChoice(Kind kind, QString value);

    Kind m_kind = Kind::Own;
    QString m_value;
};
