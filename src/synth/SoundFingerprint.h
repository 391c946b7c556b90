#pragma once

#include <string>

// A short fingerprint of a sound file, its length and a hash of its first and last 64 KiB:
// enough to tell a file that Sonivale shipped from one the user put in its place, and quick
// enough to take at every start.
class SoundFingerprint
{
public:
    // The file beside the shipped sounds that lists each one's name and fingerprint.
    static constexpr const char *manifestName = "sounds.manifest";

    // Sixteen hexadecimal digits, or empty when the file cannot be read.
    static std::string of(const std::string &path);
};
