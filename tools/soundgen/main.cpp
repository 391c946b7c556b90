#include "SoundCatalogue.h"
#include "SoundGenerator.h"

#include "synth/SoundFingerprint.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Lists the fingerprint of every catalogue file in the folder, so that the program can tell
// the files it shipped from any the user puts in their place.
bool writeManifest(const std::string &folder)
{
    const std::filesystem::path path = std::filesystem::path(folder) / SoundFingerprint::manifestName;
    const std::filesystem::path part = path.string() + ".part";
    {
        std::ofstream manifest(part, std::ios::trunc);
        for (const SoundRecipe &recipe : SoundCatalogue::recipes()) {
            const std::string fingerprint = SoundFingerprint::of((std::filesystem::path(folder) / recipe.fileName).string());
            if (!fingerprint.empty())
                manifest << recipe.fileName << ' ' << fingerprint << '\n';
        }
        if (!manifest.flush())
            return false;
    }
    std::error_code error;
    std::filesystem::rename(part, path, error);
    return !error;
}

}

// Usage: sonivale_soundgen <output folder> [file name ...]
// Without file names every sound of the catalogue is written. The manifest of the folder's
// sounds is written last.
int main(int argc, char **argv)
{
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " <output folder> [file name ...]\n";
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::vector<const SoundRecipe *> chosen;
    for (int i = 2; i < argc; ++i) {
        const SoundRecipe *recipe = SoundCatalogue::find(argv[i]);
        if (!recipe) {
            std::cerr << "unknown sound: " << argv[i] << '\n';
            return 2;
        }
        chosen.push_back(recipe);
    }
    if (chosen.empty()) {
        for (const SoundRecipe &recipe : SoundCatalogue::recipes())
            chosen.push_back(&recipe);
    }
    for (const SoundRecipe *recipe : chosen) {
        if (!SoundGenerator::writeFile(*recipe, folder)) {
            std::cerr << "cannot write " << recipe->fileName << " in " << folder << '\n';
            return 1;
        }
    }
    if (!writeManifest(folder)) {
        std::cerr << "cannot write " << SoundFingerprint::manifestName << " in " << folder << '\n';
        return 1;
    }
    return 0;
}
