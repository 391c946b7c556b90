// Makes every live sound alone, the shipped ones and those without a file, and reports the
// cycles each frame takes at the rate the sound is made at: its thread CPU time times the
// clock the thread was given, measured before and after, so the figure compares across
// machines. The sounds without a file aim at 20 cycles a frame at twice the shipped rate.
//
// Run: build/bench/LiveSoundBench [seconds-of-audio]   (default 30 per sound, in twelve rounds)

#include "HostSpeed.h"

#include "synth/LiveSound.h"
#include "synth/LiveSounds.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t block = 480;
constexpr double targetCycles = 20.0;
// Many short rounds, taken in turn across the sounds, so that each sound's rounds are spread
// over the whole run: this machine's host slows it by up to half for seconds at a time.
constexpr int rounds = 12;

struct Figure
{
    std::string name;
    std::unique_ptr<LiveSound> sound;
    bool extra;
    // The CPU seconds per frame of the sound's fastest round: other work on a shared machine
    // only ever adds time.
    double secondsPerFrame = 0.0;
};

double secondsPerFrame(LiveSound &sound, double seconds)
{
    static std::vector<float> left(block);
    static std::vector<float> right(block);
    const auto blocks = static_cast<std::size_t>(seconds / rounds * sound.rate() / block);
    const double start = HostSpeed::threadCpuSeconds();
    for (std::size_t i = 0; i < blocks; ++i)
        sound.generate(left.data(), right.data(), block);
    return (HostSpeed::threadCpuSeconds() - start) / static_cast<double>(blocks * block);
}

}

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    std::vector<Figure> figures;
    for (const bool extra : {false, true}) {
        for (const std::string_view name : extra ? LiveSounds::extraNames() : LiveSounds::names())
            figures.push_back({std::string(name), LiveSounds::make(name, 7), extra});
    }
    const double shareBefore = HostSpeed::addsPerCycle();
    const double clockBefore = HostSpeed::gigaAddsPerCpuSecond();
    for (int round = 0; round < rounds; ++round) {
        for (Figure &figure : figures) {
            const double spent = secondsPerFrame(*figure.sound, seconds);
            figure.secondsPerFrame = round == 0 ? spent : std::min(figure.secondsPerFrame, spent);
        }
    }
    const double clockAfter = HostSpeed::gigaAddsPerCpuSecond();
    const double clock = std::max(clockBefore, clockAfter);
    std::printf("clock given to the thread: %.2f GHz before, %.2f GHz after (dependent adds per CPU-second)\n",
                clockBefore, clockAfter);
    HostSpeed::printCoreShare(shareBefore, HostSpeed::addsPerCycle());
    bool met = true;
    for (const Figure &figure : figures) {
        const double cycles = figure.secondsPerFrame * clock * 1e9;
        std::printf("%-16s %5d Hz: %5.1f cycles per frame%s\n", figure.name.c_str(), figure.sound->rate(), cycles,
                    figure.extra ? (cycles <= targetCycles ? "  (target met)" : "  (target MISSED)") : "");
        if (figure.extra && cycles > targetCycles)
            met = false;
    }
    return met ? 0 : 1;
}
