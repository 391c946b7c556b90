#include "synth/LiveSounds.h"

#include "synth/AirConditioningSound.h"
#include "synth/BrookSound.h"
#include "synth/CabinSound.h"
#include "synth/CicadaSound.h"
#include "synth/ColouredNoiseSound.h"
#include "synth/DownpourSound.h"
#include "synth/FanSound.h"
#include "synth/FireplaceSound.h"
#include "synth/HeartbeatSound.h"
#include "synth/OceanSound.h"
#include "synth/PurrSound.h"
#include "synth/RadioStaticSound.h"
#include "synth/Random.h"
#include "synth/RainSound.h"
#include "synth/TrainSound.h"
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
    std::string_view name;
    std::function<std::unique_ptr<LiveSound>(Random &)> make;
};

// `level` is each side's RMS at the common loudness of the shipped sounds, -21 LUFS.
std::function<std::unique_ptr<LiveSound>(Random &)> colour(double powerExponent, double lowCutHertz, float level)
{
    return [=](Random &random) {
        return std::make_unique<ColouredNoiseSound>(powerExponent * kDecibelsPerOctavePerExponent, lowCutHertz, level, random);
    };
}

// A sound whose constructor takes the gain that brings it to the common loudness, -21 LUFS.
template<typename Sound>
std::function<std::unique_ptr<LiveSound>(Random &)> sound(float gain)
{
    return [=](Random &random) { return std::make_unique<Sound>(gain, random); };
}

// A sound that is at the common loudness by its own making.
template <typename Sound>
std::unique_ptr<LiveSound> make(Random &random)
{
    return std::make_unique<Sound>(random);
}

const std::array<Recipe, 14> &recipes()
{
    static const std::array<Recipe, 14> table{{
        {"Brown_Noise.Wav", colour(-2.0, kBrownLowCutHertz, 0.1072f)},
        {"Pink_Noise.Wav", colour(-1.0, kColourLowCutHertz, 0.0613f)},
        {"White_Noise.Wav", colour(0.0, kColourLowCutHertz, 0.0449f)},
        {"Blue_Noise.Wav", colour(1.0, kColourLowCutHertz, 0.0430f)},
        {"violet.Wav", colour(2.0, kColourLowCutHertz, 0.0427f)},
        {"downpour.Wav", make<RainSound>},
        {"wind.Wav", make<WindSound>},
        {"ocean.Wav", sound<OceanSound>(0.0871f)},
        {"crickets.Wav", make<DownpourSound>},
        {"cicada.Wav", sound<CicadaSound>(0.0580f)},
        {"sine.Wav", sound<CabinSound>(0.07248f)},
        {"square.Wav", sound<AirConditioningSound>(0.05400f)},
        {"saw.Wav", sound<FanSound>(0.05616f)},
        {"radiostatic.Wav", make<RadioStaticSound>},
    }};
    return table;
}

const std::array<Recipe, 5> &extraRecipes()
{
    static const std::array<Recipe, 5> table{{
        {"brook", make<BrookSound>},
        {"heartbeat", make<HeartbeatSound>},
        {"train", make<TrainSound>},
        {"fireplace", make<FireplaceSound>},
        {"purr", make<PurrSound>},
    }};
    return table;
}

template<std::size_t count>
const Recipe *find(const std::array<Recipe, count> &table, std::string_view name)
{
    for (const Recipe &recipe : table) {
        if (recipe.name == name)
            return &recipe;
    }
    return nullptr;
}

template<std::size_t count>
std::vector<std::string_view> namesOf(const std::array<Recipe, count> &table)
{
    std::vector<std::string_view> result;
    for (const Recipe &recipe : table)
        result.push_back(recipe.name);
    return result;
}

}

bool LiveSounds::makes(std::string_view fileName)
{
    return find(recipes(), fileName) != nullptr;
}

std::vector<std::string_view> LiveSounds::names()
{
    return namesOf(recipes());
}

std::vector<std::string_view> LiveSounds::extraNames()
{
    return namesOf(extraRecipes());
}

std::unique_ptr<LiveSound> LiveSounds::make(std::string_view name, std::uint64_t seed)
{
    const Recipe *recipe = find(recipes(), name);
    if (!recipe)
        recipe = find(extraRecipes(), name);
    if (!recipe)
        return nullptr;
    Random random(seed);
    return recipe->make(random);
}
