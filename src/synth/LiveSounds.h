#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class LiveSound;

// The sounds that are made live, by the name of the file that ships each of them: the same
// recipes make the files at build time and the sound while the program plays.
class LiveSounds
{
public:
    // True when the sound shipped as `fileName` (as in "Brown_Noise.Wav") is made live.
    static bool makes(std::string_view fileName);
    // The file names of every sound made live.
    static std::vector<std::string_view> names();
    // A new, independent instance of that sound drawn from `seed`, or null when it is not
    // made live. Any thread but the audio thread.
    static std::unique_ptr<LiveSound> make(std::string_view fileName, std::uint64_t seed);
};
