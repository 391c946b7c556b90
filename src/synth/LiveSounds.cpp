#include "synth/LiveSounds.h"

#include "synth/ColouredNoiseSound.h"
#include "synth/InterstationHissSound.h"
#include "synth/RadioStaticSound.h"
#include "synth/Random.h"
#include "synth/WindSound.h"

#include <array>
#include <cmath>
#include <functional>

namespace {

// Power proportional to the frequency raised to an exponent changes by the exponent times
// this many decibels per octave.
const double kDecibelsPerOctavePerExponent = 10.0 * std::log10(2.0);
constexpr double kBrownLowCutHertz = 20.0;
constexpr double kColourLowCutHertz = 15.0;

struct Recipe
{
    std::string_view fileName;
    std::function<std::unique_ptr<LiveSound>(Random &)> make;
};

// `level` is each side's RMS at the common loudness of the shipped sounds, -21 LUFS.
std::function<std::unique_ptr<LiveSound>(Random &)> colour(double powerExponent, double lowCutHertz, float level)
{
    return [=](Random &random) {
        return std::make_unique<ColouredNoiseSound>(powerExponent * kDecibelsPerOctavePerExponent, lowCutHertz, level, random);
    };
}

template <typename Sound>
std::function<std::unique_ptr<LiveSound>(Random &)> made()
{
    return [](Random &random) { return std::make_unique<Sound>(random); };
}

const std::array<Recipe, 8> &recipes()
{
    static const std::array<Recipe, 8> table{{
        {"Brown_Noise.Wav", colour(-2.0, kBrownLowCutHertz, 0.1072f)},
        {"Pink_Noise.Wav", colour(-1.0, kColourLowCutHertz, 0.0613f)},
        {"White_Noise.Wav", colour(0.0, kColourLowCutHertz, 0.0449f)},
        {"Blue_Noise.Wav", colour(1.0, kColourLowCutHertz, 0.0430f)},
        {"violet.Wav", colour(2.0, kColourLowCutHertz, 0.0427f)},
        {"wind.Wav", made<WindSound>()},
        {"radiostatic.Wav", made<RadioStaticSound>()},
        {"triangle.Wav", made<InterstationHissSound>()},
    }};
    return table;
}

const Recipe *find(std::string_view fileName)
{
    for (const Recipe &recipe : recipes()) {
        if (recipe.fileName == fileName)
            return &recipe;
    }
    return nullptr;
}

}

bool LiveSounds::makes(std::string_view fileName)
{
    return find(fileName) != nullptr;
}

std::unique_ptr<LiveSound> LiveSounds::make(std::string_view fileName, std::uint64_t seed)
{
    const Recipe *recipe = find(fileName);
    if (!recipe)
        return nullptr;
    Random random(seed);
    return recipe->make(random);
}
