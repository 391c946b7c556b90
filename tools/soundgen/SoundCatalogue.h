#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Random;
class StereoLoop;

struct SoundRecipe
{
    std::string fileName;
    std::uint64_t seed;
    std::function<StereoLoop(Random &)> render;
};

// The fourteen sound files the program loads, by the names it opens them with.
class SoundCatalogue
{
public:
    static const std::vector<SoundRecipe> &recipes();
    static const SoundRecipe *find(const std::string &fileName);
};
