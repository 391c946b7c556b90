#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class LiveSound;

// The sounds that are made live, by the name of the file that ships each of them: the same
// recipes make the files at build time and the sound while the program plays. Beside them,
// the sounds that ship no file, made only live, by a name of their own ("brook").
class LiveSounds
{
public:
    // True when the sound shipped as `fileName` (as in "Brown_Noise.Wav") is made live.
    static bool makes(std::string_view fileName);
    // The file names of every shipped sound made live.
    static std::vector<std::string_view> names();
    // The names of the sounds that ship no file.
    static std::vector<std::string_view> extraNames();
    // A new, independent instance of the sound shipped as `name`, or of the sound without
    // a file of that name, drawn from `seed`; null when there is no such sound. Any thread
    // but the audio thread.
    static std::unique_ptr<LiveSound> make(std::string_view name, std::uint64_t seed);
};
