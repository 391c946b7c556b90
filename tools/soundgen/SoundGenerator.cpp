#include "SoundGenerator.h"

#include "Mastering.h"
#include "synth/Random.h"
#include "SoundCatalogue.h"
#include "StereoLoop.h"
#include "WavWriter.h"

#include <filesystem>

namespace {

// Keeps the dither noise independent of the noise the recipe drew.
constexpr std::uint64_t kDitherSeedOffset = 0x5eed0000;

}

StereoLoop SoundGenerator::render(const SoundRecipe &recipe)
{
    Random random(recipe.seed);
    StereoLoop loop = recipe.render(random);
    Mastering::master(loop);
    return loop;
}

bool SoundGenerator::writeFile(const SoundRecipe &recipe, const std::string &folder)
{
    const std::filesystem::path path = std::filesystem::path(folder) / recipe.fileName;
    return WavWriter::write(render(recipe), path.string(), recipe.seed + kDitherSeedOffset);
}
