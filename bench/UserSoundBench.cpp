// A long FLAC of the user's on a channel (two hours by default, written first, which takes a
// minute): what opening it costs (measuring its loudness, then again from the cache), how much
// resident memory playing it takes, and the cycles per output frame that mixing it takes on
// the audio thread, beside a built-in live sound on the same channel; then how fast a render
// of the built-in sounds' mix runs with the file on channel 1, in place of its own sound (the
// cheapest of them), and without it. The decoder's own work is counted apart: it runs on its own thread.
//
// Targets: resident memory grows by at most 16 MB; at natural speed and at the sliders' starting
// value the audio thread spends at most 50 cycles a frame more on the file than on the built-in
// sound (a file of 44.1 kHz played that fast is read through the resampler's stretched kernel,
// which a built-in sound never needs); the file renders at least as fast.
//
// Run: build/bench/UserSoundBench [hours-of-file] [seconds-of-audio]   (default 2 and 60)

#include "HostSpeed.h"
#include "ProcessStats.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelSound.h"
#include "engine/Mixer.h"
#include "synth/LiveSounds.h"
#include "usersound/FileDecoder.h"
#include "usersound/LoudnessCache.h"
#include "usersound/SndFileOpener.h"

#include <QTemporaryDir>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int outputRate = 48000;
constexpr int fileRate = 44100;
constexpr std::size_t block = 480;
// The frequency setting at which every sound plays at its natural speed, and the sliders' start.
constexpr int naturalSpeed = 22050;
constexpr int fastSpeed = 32000;

using HostSpeed::threadCpuSeconds;

// Noise that swells and ebbs over minutes, so that its ends differ and it is cross-faded.
bool writeLongFlac(const QString &path, double hours)
{
    SF_INFO info{};
    info.samplerate = fileRate;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = static_cast<std::int64_t>(hours * 3600.0 * fileRate);
    constexpr std::int64_t chunk = 65536;
    std::vector<float> samples(2 * chunk);
    std::minstd_rand random(5);
    std::uniform_real_distribution<float> grain(-1.0f, 1.0f);
    for (std::int64_t done = 0; done < frames; done += chunk) {
        const std::int64_t count = std::min(chunk, frames - done);
        const float swell = 0.02f + 0.01f * static_cast<float>(std::sin(static_cast<double>(done) / fileRate / 60.0));
        for (std::int64_t i = 0; i < 2 * count; ++i)
            samples[static_cast<std::size_t>(i)] = swell * grain(random);
        sf_writef_float(file, samples.data(), count);
    }
    return sf_close(file) == 0;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Playing
{
    double mixCycles = 0.0;    // per output frame, in the fastest round
    double decodeCycles = 0.0; // per output frame, over all rounds
};

// Plays `sound` on a channel in real-time fashion: rounds of a second of blocks, each
// bracketed by a sample of the clock, then the decoder's turn. The clock changes several-fold
// from one moment to the next on these machines and other work only ever slows a round, so
// the fastest round's cycles are the channel's.
Playing play(const std::shared_ptr<const ChannelSound> &sound, int frequency, FileDecoder &decoder, double audioSeconds)
{
    constexpr std::uint64_t clockSample = 20'000'000;
    Mixer mixer(outputRate);
    ChannelBuffer buffer(sound, 17);
    buffer.setVolume(-1000);
    buffer.setFrequency(frequency);
    buffer.play();
    std::uint64_t ticket = 0;
    mixer.exchange(1, &buffer, &ticket);
    std::vector<float> out(2 * block);
    Playing result{std::numeric_limits<double>::max(), 0.0};
    double checksum = 0.0;
    const int rounds = std::max(1, static_cast<int>(audioSeconds));
    for (int round = 0; round < rounds; ++round) {
        const double clockBefore = HostSpeed::gigaAddsPerCpuSecond(clockSample);
        const double before = threadCpuSeconds();
        for (int i = 0; i < outputRate / static_cast<int>(block); ++i) {
            mixer.render(out.data(), block);
            checksum += out[0];
        }
        const double mixCpu = threadCpuSeconds() - before;
        const double clock = (clockBefore + HostSpeed::gigaAddsPerCpuSecond(clockSample)) / 2.0;
        result.mixCycles = std::min(result.mixCycles, mixCpu * clock * 1e9 / outputRate);
        const double decodeBefore = threadCpuSeconds();
        decoder.serviceAll();
        result.decodeCycles += (threadCpuSeconds() - decodeBefore) * clock * 1e9 / outputRate / rounds;
    }
    mixer.exchange(1, nullptr, &ticket);
    if (!std::isfinite(checksum))
        std::printf("bad output\n");
    return result;
}

struct Pace
{
    double wall; // times real time
    double cpu;  // times real time on the render's own thread's CPU time
};

// A render's pace: the fourteen built-in sounds at their natural speed, channel 1's replaced
// by `first`, read as they play, as fast as the thread goes.
Pace renderSpeed(const std::shared_ptr<const ChannelSound> &first, double audioSeconds)
{
    Mixer mixer(outputRate);
    std::vector<std::unique_ptr<ChannelBuffer>> buffers;
    const std::vector<std::string_view> names = LiveSounds::names();
    for (std::size_t channel = 1; channel <= names.size(); ++channel) {
        auto buffer = std::make_unique<ChannelBuffer>(
            channel == 1 ? first : ChannelSound::live(std::string(names[channel - 1])), 23 + channel);
        buffer->setOffline();
        buffer->setVolume(-1000);
        buffer->play();
        std::uint64_t ticket = 0;
        mixer.exchange(static_cast<int>(channel), buffer.get(), &ticket);
        buffers.push_back(std::move(buffer));
    }
    std::vector<float> out(2 * 4096);
    const auto blocks = static_cast<std::size_t>(audioSeconds * outputRate / 4096);
    const auto wallStart = std::chrono::steady_clock::now();
    const double before = threadCpuSeconds();
    for (std::size_t i = 0; i < blocks; ++i)
        mixer.render(out.data(), 4096);
    const double cpu = threadCpuSeconds() - before;
    const double wall = seconds(wallStart);
    for (std::size_t channel = 1; channel <= buffers.size(); ++channel) {
        std::uint64_t ticket = 0;
        mixer.exchange(static_cast<int>(channel), nullptr, &ticket);
    }
    const double audio = static_cast<double>(blocks * 4096) / outputRate;
    return {audio / wall, audio / cpu};
}

}

int main(int argc, char **argv)
{
    const double hours = argc > 1 ? std::atof(argv[1]) : 2.0;
    const double audioSeconds = argc > 2 ? std::atof(argv[2]) : 60.0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.flac"));
    auto started = std::chrono::steady_clock::now();
    if (!writeLongFlac(path, hours)) {
        std::printf("could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("wrote %.1f hours of FLAC in %.0f s\n", hours, seconds(started));

    const SndFileOpener opener;
    FileDecoder decoder(FileDecoder::Mode::Manual);
    LoudnessCache cache(dir.filePath(QStringLiteral("loudness.tsv")));
    const UserSoundFile::Services services{opener, decoder, cache};
    const double residentBefore = ProcessStats::residentMegabytes();
    QString error;
    started = std::chrono::steady_clock::now();
    std::shared_ptr<const ChannelSound> file = ChannelSound::fromFile(path, &error, services);
    const double firstOpen = seconds(started);
    started = std::chrono::steady_clock::now();
    file = ChannelSound::fromFile(path, &error, services);
    const double cachedOpen = seconds(started);
    if (!file) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    std::printf("opening: %.2f s measuring its loudness, %.3f s from the cache\n", firstOpen, cachedOpen);

    const Playing streamed = play(file, naturalSpeed, decoder, audioSeconds);
    const double residentPlaying = ProcessStats::residentMegabytes();
    const std::shared_ptr<const ChannelSound> builtIn = ChannelSound::live("Brown_Noise.Wav");
    const Playing live = play(builtIn, naturalSpeed, decoder, audioSeconds);
    const Playing streamedFast = play(file, fastSpeed, decoder, audioSeconds / 2);
    const Playing liveFast = play(builtIn, fastSpeed, decoder, audioSeconds / 2);

    const double fileCycles = streamed.mixCycles;
    const double liveCycles = live.mixCycles;
    const double fastDifference = streamedFast.mixCycles - liveFast.mixCycles;
    std::printf("resident memory: %.1f MB before opening, %.1f MB playing: grew %.1f MB (target at most 16)\n",
                residentBefore, residentPlaying, residentPlaying - residentBefore);
    std::printf("audio thread at natural speed: file %.1f cycles/frame, built-in brown noise %.1f: %+.1f (target at most +50)\n",
                fileCycles, liveCycles, fileCycles - liveCycles);
    std::printf("audio thread at %d Hz: file %.1f cycles/frame, built-in brown noise %.1f: %+.1f (target at most +50)\n",
                fastSpeed, streamedFast.mixCycles, liveFast.mixCycles, fastDifference);
    std::printf("decoder thread: %.1f cycles per output frame\n", streamed.decodeCycles);

    // The mix of the built-in sounds, and the same with the file on channel 1 in place of its
    // own sound, read ahead by the program's decoder thread on the other core as the render goes.
    FileDecoder threaded;
    const UserSoundFile::Services renderServices{opener, threaded, cache};
    const std::shared_ptr<const ChannelSound> rendered = ChannelSound::fromFile(path, &error, renderServices);
    // Rounds in turn, the fastest of each: the machine's other work only ever slows a round.
    // How far the built-in render's two fastest rounds lie apart is what this measure can tell
    // apart: two renders nearer than that run as fast as each other.
    std::vector<Pace> fileRounds;
    std::vector<Pace> builtInRounds;
    for (int round = 0; round < 10; ++round) {
        fileRounds.push_back(renderSpeed(rendered, audioSeconds / 10));
        builtInRounds.push_back(renderSpeed(builtIn, audioSeconds / 10));
    }
    const auto faster = [](const Pace &a, const Pace &b) { return a.wall > b.wall; };
    std::sort(fileRounds.begin(), fileRounds.end(), faster);
    std::sort(builtInRounds.begin(), builtInRounds.end(), faster);
    const Pace fileRender = fileRounds.front();
    const Pace builtInRender = builtInRounds.front();
    const double spread = 1.0 - builtInRounds[1].wall / builtInRender.wall;
    std::printf("render of the mix: with the file %.0fx real time (%.0fx on the render thread's CPU), built-in only "
                "%.0fx (%.0fx): %+.1f %%, rounds apart by %.1f %% (target: with the file at least as fast)\n",
                fileRender.wall, fileRender.cpu, builtInRender.wall, builtInRender.cpu,
                100.0 * (fileRender.wall / builtInRender.wall - 1.0), 100.0 * spread);
    const bool met = residentPlaying - residentBefore <= 16.0 && fileCycles - liveCycles <= 50.0
        && fastDifference <= 50.0 && fileRender.wall >= builtInRender.wall * (1.0 - spread);
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}
