#pragma once

#include <string>

class StereoLoop;
struct SoundRecipe;

// Turns a recipe into a finished loop and its file: synthesis from the recipe's own
// seed, mastering to the common loudness, dithered 16-bit output.
class SoundGenerator
{
public:
    static StereoLoop render(const SoundRecipe &recipe);
    static bool writeFile(const SoundRecipe &recipe, const std::string &folder);
};
