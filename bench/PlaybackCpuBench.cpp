// CPU time of the program while all fourteen channels play through the sound server.
//
// Run (with a sound server, e.g. inside scripts/run-benchmarks.sh):
//   QT_QPA_PLATFORM=offscreen build/bench/PlaybackCpuBench [seconds] [program-folder]

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                    : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin"));
    PulseAudioOutput output;
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

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double share = 100.0 * cpu / (wall.elapsed() / 1000.0);
    std::printf("playing 14 channels for %d s: %.3f s of CPU, %.2f %% of the wall time (target < 1 %%)\n", seconds,
                cpu, share);
    return share < 1.0 ? 0 : 1;
}
