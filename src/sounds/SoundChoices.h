#pragma once

#include "engine/ChannelTable.h"
#include "sounds/SoundChoice.h"

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class ChannelSound;

// The sound each of the fourteen channels plays, and how that choice is written: on the
// command line as "6=brook", "6=default" or "6=PATH", and in the group "Sounds" of the
// preferences file, one key a channel ("Channel6=brook"), none for a channel's own sound.
// Mix files keep levels only; the choices are kept here alone.
//
// Plain values; reading and writing the file are the only work, on the calling thread.
class SoundChoices
{
public:
    static constexpr const char *group = "Sounds";

    struct Assignment
    {
        int channel = 0;
        SoundChoice choice;
    };

    // One entry of a menu of the sounds that `channel` may play.
    struct Option
    {
        enum class Group { Own, Channels, New, File };
        Group group;
        QString label;
        SoundChoice choice;
    };

    const SoundChoice &choice(int channel) const { return m_choices[index(channel)]; }
    void set(int channel, const SoundChoice &choice) { m_choices[index(channel)] = choice; }

    // "N=SOUND" with N from 1 to 14 and SOUND as SoundChoice::fromText() reads it; a file
    // must exist. Null with `error` set to a sentence when the text is not one.
    static std::optional<Assignment> parse(const QString &text, const QString &workingFolder, QString *error);
    static QString toText(const Assignment &assignment);

    // The choices kept in the preferences file at `path`; every channel plays its own
    // sound when the file or its group is missing. A value that names no sound leaves its
    // channel with its own, and a line in `problems` that begins with the channel's caption.
    static SoundChoices read(const QString &path, QStringList *problems);
    // Keeps `choice` for `channel` in the preferences file at `path`, changing nothing else
    // there; false with `error` set when the file cannot be written.
    static bool store(const QString &path, int channel, const SoundChoice &choice, QString *error);

    // The sound `choice` plays: null for the own sound, and null with `error` set to a
    // sentence naming the file and the reason when a file cannot be played.
    static std::shared_ptr<const ChannelSound> resolve(const SoundChoice &choice, QString *error);

    // What a channel plays, in the user's words: "Brook", "Pink Noise", a file's name, or
    // for its own sound the channel's caption.
    static QString nameOf(int channel, const SoundChoice &choice);
    // What a channel's switch says of it: its caption, and the sound it plays when that is
    // not its own ("Rain — playing: Brook").
    static QString describe(int channel, const SoundChoice &choice);
    // The sounds `channel` may play: its own, the other channels' own, the new ones, and
    // the user's file when `current` is one.
    static std::vector<Option> optionsFor(int channel, const SoundChoice &current);

private:
    static std::size_t index(int channel) { return static_cast<std::size_t>(channel - 1); }

    std::array<SoundChoice, ChannelTable::channelCount> m_choices;
};
