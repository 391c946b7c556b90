// Renders all fourteen channels offline at 48 kHz, each at its own volume, pan and rate,
// and reports how many times faster than real time one core mixes them.
//
// Run: build/bench/MixerBench [seconds-of-audio]   (default 120)

#include "engine/ChannelBuffer.h"
#include "engine/Mixer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 120.0;
    constexpr int outputRate = 48000;
    constexpr int sourceFrames = 1 << 20;
    constexpr std::size_t block = 480;

    std::mt19937 random(7);
    std::uniform_int_distribution<int> sample(-12000, 12000);
    Mixer mixer(outputRate);
    std::vector<std::unique_ptr<ChannelBuffer>> buffers;
    for (int channel = 1; channel <= 14; ++channel) {
        std::vector<std::int16_t> noise(static_cast<std::size_t>(sourceFrames) * 2);
        for (auto &v : noise)
            v = static_cast<std::int16_t>(sample(random));
        auto buffer = std::make_unique<ChannelBuffer>(SoundData::fromFrames(noise, 22050));
        buffer->setVolume(-200 * channel);
        buffer->setPan(channel * 400 - 3000);
        buffer->setFrequency(12000 + channel * 1500);
        buffer->play();
        std::uint64_t ticket = 0;
        mixer.exchange(channel, buffer.get(), &ticket);
        buffers.push_back(std::move(buffer));
    }

    std::vector<float> out(block * 2);
    const auto blocks = static_cast<std::size_t>(seconds * outputRate / block);
    double checksum = 0.0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < blocks; ++i) {
        mixer.render(out.data(), block);
        checksum += out[0];
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double audio = static_cast<double>(blocks * block) / outputRate;
    std::printf("mixed %.0f s of 14-channel audio in %.3f s: %.0f x real time (%.3f %% of a core)%s\n", audio,
                elapsed, audio / elapsed, 100.0 * elapsed / audio, std::isfinite(checksum) ? "" : " (bad output)");
    for (int channel = 1; channel <= 14; ++channel) {
        std::uint64_t ticket = 0;
        mixer.exchange(channel, nullptr, &ticket);
    }
    return audio / elapsed >= 300.0 ? 0 : 1;
}
