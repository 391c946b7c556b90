// Renders hours of all fourteen channels, made live as they play, each at its own volume, pan
// and rate, into a
// FLAC and a WAV file at 48 kHz, as "Render Mix" does, and reports the CPU time of the
// rendering thread (mixing and encoding), the wall time, and the resident memory at the
// start, at its highest and at the end of each render. Targets for eight hours: FLAC under
// 180 s of CPU, WAV under 120 s, and resident memory within 10 MB from start to end.
// The clock the thread was given, before and after each render, shows how fast the
// machine let it run.
//
// Run: build/bench/RenderBench [hours] [folder]   (default 8 hours, in a temporary folder;
// the files are deleted afterwards, but need about 6 GB of disk while they exist)

#include "HostSpeed.h"
#include "ProcessStats.h"

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "render/MixRenderer.h"
#include "render/MixSnapshot.h"
#include "render/SndFileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

namespace {

using HostSpeed::threadCpuSeconds;

// The fourteen channels as the console plays them from the program folder's sounds (live
// where they are the shipped ones), each at its own volume, pan and rate, from a fixed seed.
MixSnapshot fourteenChannels(const QString &programFolder)
{
    OfflineAudioOutput output;
    SoundEngine engine(output);
    engine.setSeed(11);
    engine.loadChannelSounds(programFolder);
    ChannelControls controls(engine);
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        controls.setSlider(channel, ChannelControls::Slider::Volume, -200 * channel);
        controls.setSlider(channel, ChannelControls::Slider::Pan, channel * 400 - 3000);
        controls.setSlider(channel, ChannelControls::Slider::Frequency, 12000 + channel * 1500);
        controls.setSwitch(channel, 1);
    }
    return MixSnapshot::capture(engine);
}

struct Figures
{
    double cpu = 0.0;
    double wall = 0.0;
    double rssStart = 0.0;
    double rssPeak = 0.0;
    double rssEnd = 0.0;
    qint64 bytes = 0;
    bool done = false;
};

Figures renderOnce(const MixSnapshot &snapshot, RenderFormat::Kind kind, double hours, const QString &folder)
{
    RenderOptions options;
    options.lengthSeconds = hours * 3600.0;
    options.format = kind;
    options.sampleRate = 48000;
    options.outputPath = folder + QStringLiteral("/bench.") + QLatin1String(RenderFormat::of(kind).extension);

    Figures f;
    SndFileWriter writer;
    std::atomic<bool> cancel{false};
    // Memory is sampled every ten minutes of sound.
    const qint64 sampleEvery = 48000LL * 600;
    qint64 nextSample = 0;
    f.rssStart = f.rssPeak = ProcessStats::residentMegabytes();
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuSeconds();
    const MixRenderer::Result result = MixRenderer::render(snapshot, options, writer, cancel, [&](qint64 done, qint64) {
        if (done >= nextSample) {
            nextSample += sampleEvery;
            f.rssPeak = std::max(f.rssPeak, ProcessStats::residentMegabytes());
        }
    });
    f.cpu = threadCpuSeconds() - cpuStart;
    f.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    f.rssEnd = ProcessStats::residentMegabytes();
    f.rssPeak = std::max(f.rssPeak, f.rssEnd);
    f.done = result.status == MixRenderer::Result::Status::Done;
    if (!f.done)
        std::printf("render failed: %s\n", qPrintable(result.message));
    f.bytes = QFileInfo(options.outputPath).size();
    QFile::remove(options.outputPath);
    return f;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double hours = argc > 1 ? std::atof(argv[1]) : 8.0;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();

    const MixSnapshot snapshot = fourteenChannels(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin")));
    bool met = true;
    for (const auto &[kind, limit] : {std::pair{RenderFormat::Kind::Flac, 180.0}, std::pair{RenderFormat::Kind::Wav, 120.0}}) {
        const double processCpuStart = ProcessStats::cpuSeconds();
        const double shareBefore = HostSpeed::addsPerCycle();
        const double clockBefore = HostSpeed::gigaAddsPerCpuSecond();
        const Figures f = renderOnce(snapshot, kind, hours, folder);
        const double clockAfter = HostSpeed::gigaAddsPerCpuSecond();
        const double shareAfter = HostSpeed::addsPerCycle();
        const double processCpu = ProcessStats::cpuSeconds() - processCpuStart;
        const double scaledLimit = limit * hours / 8.0;
        const bool cpuMet = f.done && f.cpu < scaledLimit;
        const bool memoryMet = f.rssEnd - f.rssStart < 10.0;
        met = met && cpuMet && memoryMet;
        std::printf("%-4s %.2f h of 14 channels at 48 kHz: thread CPU %.1f s (process %.1f s, %.0f x real time), "
                    "wall %.1f s; %.0f MB written; resident %.1f MB at start, %.1f MB at most, %.1f MB at end\n",
                    RenderFormat::of(kind).name, hours, f.cpu, processCpu, hours * 3600.0 / f.cpu, f.wall,
                    static_cast<double>(f.bytes) / 1e6, f.rssStart, f.rssPeak, f.rssEnd);
        std::printf("     clock given to the thread: %.2f GHz before, %.2f GHz after; %.0f cycles per output frame\n",
                    clockBefore, clockAfter, f.cpu * std::max(clockBefore, clockAfter) * 1e9 / (hours * 3600.0 * 48000.0));
        HostSpeed::printCoreShare(shareBefore, shareAfter, "     ");
        std::printf("     targets: CPU under %.0f s: %s; resident memory within 10 MB: %s\n", scaledLimit,
                    cpuMet ? "met" : "MISSED", memoryMet ? "met" : "MISSED");
        std::fflush(stdout);
    }
    return met ? 0 : 1;
}
