#include "SoundCatalogue.h"

#include "AirConditioningSound.h"
#include "CabinSound.h"
#include "CicadaSound.h"
#include "ColouredNoise.h"
#include "DownpourSound.h"
#include "FanSound.h"
#include "OceanSound.h"
#include "RadioStaticSound.h"
#include "RainSound.h"
#include "StereoLoop.h"
#include "WindSound.h"

#include <cmath>

namespace {

// Power proportional to the frequency raised to an exponent changes by the exponent
// times this many decibels per octave.
const double kDecibelsPerOctavePerExponent = 10.0 * std::log10(2.0);
constexpr double kBrownLowCutHertz = 20.0;
constexpr double kColourLowCutHertz = 15.0;

std::function<StereoLoop(Random &)> colour(double powerExponent, double lowCutHertz)
{
    return [=](Random &random) { return ColouredNoise::render(powerExponent * kDecibelsPerOctavePerExponent, lowCutHertz, random); };
}

}

const std::vector<SoundRecipe> &SoundCatalogue::recipes()
{
    static const std::vector<SoundRecipe> table{
        {"Brown_Noise.Wav", 101, colour(-2.0, kBrownLowCutHertz)},
        {"Pink_Noise.Wav", 102, colour(-1.0, kColourLowCutHertz)},
        {"White_Noise.Wav", 103, colour(0.0, kColourLowCutHertz)},
        {"Blue_Noise.Wav", 104, colour(1.0, kColourLowCutHertz)},
        {"violet.Wav", 105, colour(2.0, kColourLowCutHertz)},
        {"downpour.Wav", 106, RainSound::render},
        {"wind.Wav", 107, WindSound::render},
        {"ocean.Wav", 108, OceanSound::render},
        {"crickets.Wav", 109, DownpourSound::render},
        {"cicada.Wav", 110, CicadaSound::render},
        {"sine.Wav", 111, CabinSound::render},
        {"square.Wav", 112, AirConditioningSound::render},
        {"saw.Wav", 113, FanSound::render},
        {"radiostatic.Wav", 114, RadioStaticSound::render},
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
