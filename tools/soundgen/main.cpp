#include "SoundCatalogue.h"
#include "SoundGenerator.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

// Usage: sonivale_soundgen <output folder> [file name ...]
// Without file names every sound of the catalogue is written.
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
    return 0;
}
