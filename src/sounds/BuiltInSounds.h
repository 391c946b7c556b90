#pragma once

#include <QString>

#include <string>
#include <vector>

// A sound that ships with the program: one of the fourteen channels' own, or one that no
// channel has, made only live.
struct BuiltInSound
{
    QString id;           // how the command line and the preferences name it: "pink-noise", "brook"
    QString name;         // how the user reads it: "Pink Noise", "Brook"
    std::string liveName; // how the synthesis library makes it
    int channel = 0;      // the channel whose own sound it is, or 0
};

// Every sound that any channel may play besides a file of the user's: the channels' own
// sounds in channel order, named by the channel's caption, then those made only live.
namespace BuiltInSounds {

const std::vector<BuiltInSound> &all();
// The sound named `text`, by its id or its name, whatever the letter case, with blanks
// read as "-"; null when none is named so.
const BuiltInSound *find(const QString &text);
// The own sound of channel 1 to 14.
const BuiltInSound &ofChannel(int channel);

}
