// CPU time of the program while all fourteen channels play through the sound server, made
// live as they play, in cycles per output frame (CPU time times the clock the benchmark
// measured), how often its threads wake up, and its resident memory.
//
// Beside it, in rounds taken in turn with the live ones, the same fourteen channels play the
// files as stored loops (the files from a folder without the manifest that marks them as
// shipped). A neighbour on the host slows both alike, so their ratio holds where the cycles
// themselves vary by half from run to run.
//
// Run (with a sound server, e.g. inside scripts/run-benchmarks.sh):
//   QT_QPA_PLATFORM=offscreen build/bench/PlaybackCpuBench [seconds] [program-folder]

#include "HostSpeed.h"
#include "ProcessStats.h"

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int rounds = 4;

struct Round
{
    double cpu = 0.0;
    double wall = 0.0;
    double cycles = 0.0;
    long long switches = 0;
};

// The sound files alone, linked from `folder` into `stored`: no manifest says they are
// the shipped ones, so each plays as a stored loop.
bool linkFilesAlone(const QString &folder, const QString &stored)
{
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.Wav")}, QDir::Files);
    for (const QString &file : files) {
        if (!QFile::link(QDir(folder).absoluteFilePath(file), QDir(stored).filePath(file)))
            return false;
    }
    return !files.isEmpty();
}

// Lets the program play on its own for `milliseconds`.
void playFor(int milliseconds)
{
    QTimer::singleShot(milliseconds, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
}

// Loads the sounds of `folder`, each channel at its own rate and pan, and plays them for
// `seconds` after a settling second: the stream's start-up and the first fill are not what
// plays all night.
bool playRound(SoundEngine &engine, const QString &folder, double seconds, Round &total)
{
    const QStringList missing = engine.loadChannelSounds(folder);
    if (!missing.isEmpty()) {
        std::printf("missing sounds: %s\n", qPrintable(missing.join(QLatin1Char(' '))));
        return false;
    }
    ChannelControls controls(engine);
    for (int channel = 1; channel <= 14; ++channel) {
        controls.setSlider(channel, ChannelControls::Slider::Frequency, 12000 + 1000 * channel);
        controls.setSlider(channel, ChannelControls::Slider::Pan, 400 * channel - 3000);
        controls.setSwitch(channel, 1);
    }
    playFor(1000);
    const double gigahertzBefore = HostSpeed::gigaAddsPerCpuSecond(50'000'000);
    const double cpuBefore = ProcessStats::cpuSeconds();
    const long long switchesBefore = ProcessStats::voluntarySwitches();
    QElapsedTimer wall;
    wall.start();
    playFor(static_cast<int>(seconds * 1000));
    const double cpu = ProcessStats::cpuSeconds() - cpuBefore;
    const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
    const double gigahertz = (gigahertzBefore + HostSpeed::gigaAddsPerCpuSecond(50'000'000)) / 2.0;
    total.cpu += cpu;
    total.wall += wallSeconds;
    total.cycles += cpu * gigahertz * 1e9;
    total.switches += ProcessStats::voluntarySwitches() - switchesBefore;
    return true;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                    : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin"));
    QTemporaryDir stored;
    if (!stored.isValid() || !linkFilesAlone(folder, stored.path())) {
        std::printf("cannot link the sound files into a folder of their own\n");
        return 2;
    }
    PulseConnection connection;
    PulseAudioOutput output(connection);
    SoundEngine engine(output);
    engine.initialise();
    if (!output.waitForServer(5000)) {
        std::printf("no sound server\n");
        return 2;
    }
    const double shareBefore = HostSpeed::addsPerCycle();
    Round live;
    Round loops;
    double resident = 0.0;
    for (int round = 0; round < rounds; ++round) {
        if (!playRound(engine, folder, double(seconds) / rounds, live))
            return 2;
        // Before any stored loop has been held.
        if (round == 0)
            resident = ProcessStats::residentMegabytes();
        if (!playRound(engine, stored.path(), double(seconds) / rounds, loops))
            return 2;
    }
    const double shareAfter = HostSpeed::addsPerCycle();
    const auto perFrame = [&output](const Round &r) { return r.cycles / (r.wall * output.sampleRate()); };
    const double cyclesPerFrame = perFrame(live);
    std::printf("playing 14 live channels for %.1f s: %.3f s of CPU, %.2f %% of a core, "
                "%.1f wake-ups per second, %llu underruns, buffer %d ms\n",
                live.wall, live.cpu, 100.0 * live.cpu / live.wall, double(live.switches) / live.wall,
                static_cast<unsigned long long>(output.underflowCount()), output.bufferMs());
    std::printf("%.0f cycles per output frame for the whole program (target at most 250)\n", cyclesPerFrame);
    std::printf("the same channels as stored loops, in rounds taken in turn: %.0f cycles per output frame, "
                "%.1f wake-ups per second; live costs %.2f times as much\n",
                perFrame(loops), double(loops.switches) / loops.wall, cyclesPerFrame / perFrame(loops));
    HostSpeed::printCoreShare(shareBefore, shareAfter);
    std::printf("resident %.1f MB while the live channels play (target at most 60)\n", resident);
    return cyclesPerFrame <= 250.0 ? 0 : 1;
}
