// Makes every live sound alone, the shipped ones and those without a file, and reports the
// cycles each frame takes at the rate the sound is made at: its thread CPU time times the
// clock the thread was given, measured before and after, so the figure compares across
// machines. The sounds without a file aim at 20 cycles a frame at twice the shipped rate.
//
// Run: build/bench/LiveSoundBench [seconds-of-audio]   (default 30 per sound, in three rounds)

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

// The CPU seconds per frame of the fastest of three rounds: other work on a shared machine
// only ever adds time.
double secondsPerFrame(LiveSound &sound, double seconds)
{
    std::vector<float> left(block);
    std::vector<float> right(block);
    const auto blocks = static_cast<std::size_t>(seconds / 3.0 * sound.rate() / block);
    double best = 0.0;
    for (int round = 0; round < 3; ++round) {
        const double start = HostSpeed::threadCpuSeconds();
        for (std::size_t i = 0; i < blocks; ++i)
            sound.generate(left.data(), right.data(), block);
        const double spent = (HostSpeed::threadCpuSeconds() - start) / static_cast<double>(blocks * block);
        best = round == 0 ? spent : std::min(best, spent);
    }
    return best;
}

}

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    struct Figure
    {
        std::string name;
        int rate;
        double secondsPerFrame;
        bool extra;
    };
    std::vector<Figure> figures;
    const double clockBefore = HostSpeed::gigaAddsPerCpuSecond();
    for (const bool extra : {false, true}) {
        for (const std::string_view name : extra ? LiveSounds::extraNames() : LiveSounds::names()) {
            const std::unique_ptr<LiveSound> sound = LiveSounds::make(name, 7);
            figures.push_back({std::string(name), sound->rate(), secondsPerFrame(*sound, seconds), extra});
        }
    }
    const double clockAfter = HostSpeed::gigaAddsPerCpuSecond();
    const double clock = std::max(clockBefore, clockAfter);
    std::printf("clock given to the thread: %.2f GHz before, %.2f GHz after (dependent adds per CPU-second)\n",
                clockBefore, clockAfter);
    bool met = true;
    for (const Figure &figure : figures) {
        const double cycles = figure.secondsPerFrame * clock * 1e9;
        std::printf("%-16s %5d Hz: %5.1f cycles per frame%s\n", figure.name.c_str(), figure.rate, cycles,
                    figure.extra ? (cycles <= targetCycles ? "  (target met)" : "  (target MISSED)") : "");
        if (figure.extra && cycles > targetCycles)
            met = false;
    }
    return met ? 0 : 1;
}
