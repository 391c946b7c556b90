// A long FLAC of the user's on a channel (two hours by default, written first, which takes a
// minute): what opening it costs (measuring its loudness, then again from the cache), how much
// resident memory playing it takes, and the cycles per output frame that mixing it takes on
// the audio thread, beside a built-in live sound on the same channel; then how fast a render
// of the built-in sounds' mix runs with the file on channel 1, in place of its own sound (the
// cheapest of them), and without it. The decoder's own work is counted apart: it runs on its own thread.
//
// Targets: resident memory grows by at most 16 MB; at natural speed the audio thread spends at
// most 50 cycles a frame more on the file than on the built-in sound; the file renders at least
// as fast. At the sliders' starting value the figures are given too: a file of 44.1 kHz played
// that fast needs the resampler's stretched kernel, which a built-in sound never does.
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

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    double mixCpu = 0.0;
    double decodeCpu = 0.0;
    double frames = 0.0;
};

// Plays `sound` on a channel in real-time fashion: a second of blocks, then the decoder's turn.
Playing play(const std::shared_ptr<const ChannelSound> &sound, int frequency, FileDecoder &decoder, double audioSeconds)
{
    Mixer mixer(outputRate);
    ChannelBuffer buffer(sound, 17);
    buffer.setVolume(-1000);
    buffer.setFrequency(frequency);
    buffer.play();
    std::uint64_t ticket = 0;
    mixer.exchange(1, &buffer, &ticket);
    std::vector<float> out(2 * block);
    Playing result;
    double checksum = 0.0;
    for (int second = 0; second < static_cast<int>(audioSeconds); ++second) {
        const double before = threadCpuSeconds();
        for (int i = 0; i < outputRate / static_cast<int>(block); ++i) {
            mixer.render(out.data(), block);
            checksum += out[0];
        }
        result.mixCpu += threadCpuSeconds() - before;
        const double decodeBefore = threadCpuSeconds();
        decoder.serviceAll();
        result.decodeCpu += threadCpuSeconds() - decodeBefore;
    }
    result.frames = audioSeconds * outputRate;
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

    const double clockBefore = HostSpeed::gigaAddsPerCpuSecond();
    const Playing streamed = play(file, naturalSpeed, decoder, audioSeconds);
    const double residentPlaying = ProcessStats::residentMegabytes();
    const std::shared_ptr<const ChannelSound> builtIn = ChannelSound::live("Brown_Noise.Wav");
    const Playing live = play(builtIn, naturalSpeed, decoder, audioSeconds);
    const Playing streamedFast = play(file, fastSpeed, decoder, audioSeconds / 4);
    const Playing liveFast = play(builtIn, fastSpeed, decoder, audioSeconds / 4);
    const double clock = (clockBefore + HostSpeed::gigaAddsPerCpuSecond()) / 2.0;
    const auto cycles = [clock](double cpu, double frames) { return cpu * clock * 1e9 / frames; };

    const double fileCycles = cycles(streamed.mixCpu, streamed.frames);
    const double liveCycles = cycles(live.mixCpu, live.frames);
    std::printf("clock %.2f GHz\n", clock);
    std::printf("resident memory: %.1f MB before opening, %.1f MB playing: grew %.1f MB (target at most 16)\n",
                residentBefore, residentPlaying, residentPlaying - residentBefore);
    std::printf("audio thread at natural speed: file %.1f cycles/frame, built-in brown noise %.1f: %+.1f (target at most +50)\n",
                fileCycles, liveCycles, fileCycles - liveCycles);
    std::printf("audio thread at %d Hz: file %.1f cycles/frame, built-in brown noise %.1f (reported only)\n", fastSpeed,
                cycles(streamedFast.mixCpu, streamedFast.frames), cycles(liveFast.mixCpu, liveFast.frames));
    std::printf("decoder thread: %.1f cycles per output frame\n", cycles(streamed.decodeCpu, streamed.frames));

    // The mix of the built-in sounds, and the same with the file on channel 1 in place of its
    // own sound, read ahead by the program's decoder thread on the other core as the render goes.
    FileDecoder threaded;
    const UserSoundFile::Services renderServices{opener, threaded, cache};
    const std::shared_ptr<const ChannelSound> rendered = ChannelSound::fromFile(path, &error, renderServices);
    // Rounds in turn, the fastest of each: the machine's other work only ever slows a round.
    Pace fileRender{};
    Pace builtInRender{};
    for (int round = 0; round < 3; ++round) {
        const Pace withFile = renderSpeed(rendered, audioSeconds / 3);
        const Pace without = renderSpeed(builtIn, audioSeconds / 3);
        fileRender = {std::max(fileRender.wall, withFile.wall), std::max(fileRender.cpu, withFile.cpu)};
        builtInRender = {std::max(builtInRender.wall, without.wall), std::max(builtInRender.cpu, without.cpu)};
    }
    std::printf("render of the mix: with the file %.0fx real time (%.0fx on the render thread's CPU), built-in only "
                "%.0fx (%.0fx) (target: with the file at least as fast)\n",
                fileRender.wall, fileRender.cpu, builtInRender.wall, builtInRender.cpu);
    const bool met = residentPlaying - residentBefore <= 16.0 && fileCycles - liveCycles <= 50.0
        && fileRender.wall >= builtInRender.wall;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}
