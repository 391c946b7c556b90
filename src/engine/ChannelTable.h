#pragma once

#include <QString>

#include <array>

// The fixed table of the fourteen masking channels, numbered 1 to 14.
struct ChannelInfo
{
    int number;
    const char *group;
    const char *caption;
    const char *switchName;
    const char *volumeName;
    const char *panName;
    const char *frequencyName;
    const char *readoutName;
    const char *soundFile; // as written in the table: a leading backslash, maybe a trailing blank
};

namespace ChannelTable {

inline constexpr int channelCount = 14;

inline constexpr int volumeMinimum = -3000;
inline constexpr int volumeMaximum = 0;
inline constexpr int volumeStart = -2000;
inline constexpr int panMinimum = -3000;
inline constexpr int panMaximum = 3000;
inline constexpr int panStart = 0;
inline constexpr int frequencyMinimum = 100;
inline constexpr int frequencyMaximum = 32767;
inline constexpr int frequencyStart = 32000;

inline constexpr const char *groupSoundColor = "Sound Color";
inline constexpr const char *groupEnvironmental = "Environmental Sounds";
inline constexpr const char *groupOther = "Other Sounds";

const std::array<ChannelInfo, channelCount> &channels();
// Row of channel `number` (1 to 14).
const ChannelInfo &channel(int number);

// The file name a sound file literal stands for: without its backslash and trailing blanks.
QString soundFileName(const char *literal);
// The path of a sound file literal in `folder`: the literal's backslash becomes a "/",
// trailing blanks are dropped, and an existing file whose name differs only in letter
// case is found, as on the platform the names were written for.
QString soundFilePath(const QString &folder, const char *literal);

}
