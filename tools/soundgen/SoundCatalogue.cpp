#include "SoundCatalogue.h"

#include "LiveLoop.h"
#include "StereoLoop.h"

#include "synth/LiveSound.h"
#include "synth/LiveSounds.h"
#include "synth/Random.h"


namespace {

// A sound made live, recorded into a loop from the recipe's own random stream.
std::function<StereoLoop(Random &)> live(const char *fileName)
{
    return [fileName](Random &random) { return LiveLoop::record(*LiveSounds::make(fileName, random.next())); };
}

}

const std::vector<SoundRecipe> &SoundCatalogue::recipes()
{
    static const std::vector<SoundRecipe> table{
        {"Brown_Noise.Wav", 101, live("Brown_Noise.Wav")},
        {"Pink_Noise.Wav", 102, live("Pink_Noise.Wav")},
        {"White_Noise.Wav", 103, live("White_Noise.Wav")},
        {"Blue_Noise.Wav", 104, live("Blue_Noise.Wav")},
        {"violet.Wav", 105, live("violet.Wav")},
        {"downpour.Wav", 106, live("downpour.Wav")},
        {"wind.Wav", 107, live("wind.Wav")},
        {"ocean.Wav", 108, live("ocean.Wav")},
        {"crickets.Wav", 109, live("crickets.Wav")},
        {"cicada.Wav", 110, live("cicada.Wav")},
        {"sine.Wav", 111, live("sine.Wav")},
        {"square.Wav", 112, live("square.Wav")},
        {"saw.Wav", 113, live("saw.Wav")},
        {"radiostatic.Wav", 114, live("radiostatic.Wav")},
    };
    return table;
}

const SoundRecipe *SoundCatalogue::find(const std::string &fileName)
{
    for (const SoundRecipe &recipe : recipes()) {
        if (recipe.fileName == fileName)
            return &recipe;
    }
    return nullptr;
}
