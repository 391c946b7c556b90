// CPU time of the program while all fourteen channels play through the sound server, made
// live as they play, in cycles per output frame (CPU time times the clock the benchmark
// measured), how often its threads wake up, and its resident memory.
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
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                    : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin"));
    PulseConnection connection;
    PulseAudioOutput output(connection);
    SoundEngine engine(output);
    engine.initialise();
    if (!output.waitForServer(5000)) {
        std::printf("no sound server\n");
        return 2;
    }
    const QStringList missing = engine.loadChannelSounds(folder);
    if (!missing.isEmpty()) {
        std::printf("missing sounds: %s\n", qPrintable(missing.join(QLatin1Char(' '))));
        return 2;
    }
    ChannelControls controls(engine);
    for (int channel = 1; channel <= 14; ++channel) {
        controls.setSlider(channel, ChannelControls::Slider::Frequency, 12000 + 1000 * channel);
        controls.setSlider(channel, ChannelControls::Slider::Pan, 400 * channel - 3000);
        controls.setSwitch(channel, 1);
    }

    // Let the stream settle first: its start-up is not what plays all night.
    QTimer::singleShot(1000, &app, &QCoreApplication::quit);
    QCoreApplication::exec();

    const double shareBefore = HostSpeed::addsPerCycle();
    const double cpuBefore = ProcessStats::cpuSeconds();
    const long long switchesBefore = ProcessStats::voluntarySwitches();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double cpu = ProcessStats::cpuSeconds() - cpuBefore;
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double gigahertz = HostSpeed::gigaAddsPerCpuSecond();
    const double shareAfter = HostSpeed::addsPerCycle();
    const double cyclesPerFrame = cpu * gigahertz * 1e9 / (wallSeconds * output.sampleRate());
    const double share = 100.0 * cpu / wallSeconds;
    const double wakeups = double(ProcessStats::voluntarySwitches() - switchesBefore) / wallSeconds;
    std::printf("playing 14 channels for %.1f s: %.3f s of CPU, %.2f %% of a core, "
                "%.1f wake-ups per second, %llu underruns, buffer %d ms\n",
                wallSeconds, cpu, share, wakeups, static_cast<unsigned long long>(output.underflowCount()), output.bufferMs());
    std::printf("%.0f cycles per output frame for the whole program at %.2f GHz (target at most 250)\n", cyclesPerFrame,
                gigahertz);
    HostSpeed::printCoreShare(shareBefore, shareAfter);
    std::printf("resident %.1f MB while they play (target at most 60)\n", ProcessStats::residentMegabytes());
    return cyclesPerFrame <= 250.0 ? 0 : 1;
}
