// Start-up time and memory of the console: from process start to the main window shown
// with all fourteen channel sounds loaded, and the resident size at that moment, against
// the PCM size of the loaded sounds. The target is judged on the CPU time that start-up
// took (every thread's), which a busy machine does not inflate; wall time is reported too.
//
// Run (with a sound server, e.g. inside scripts/run-benchmarks.sh):
//   QT_QPA_PLATFORM=offscreen build/bench/StartupBench [program-folder]
// The program folder defaults to build/bin, where the build writes the sounds.

#include "ProcessStats.h"

#include "app/MainWindow.h"
#include "engine/ChannelBuffer.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseConnection.h"
#include "platform/PulseSystemVolume.h"
#include "platform/UserMessages.h"
#include "platform/windows/QtFileDialogs.h"
#include "player/Player.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

// Seconds since boot at which this process started, and now.
double processStartSeconds()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    stat.open(QIODevice::ReadOnly);
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(19).toDouble() / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double uptimeSeconds()
{
    QFile uptime(QStringLiteral("/proc/uptime"));
    uptime.open(QIODevice::ReadOnly);
    return uptime.readAll().split(' ').value(0).toDouble();
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

class PrintedMessages final : public UserMessages
{
public:
    void inform(QWidget *, const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
    void notice(QWidget *p, const QString &text) override { inform(p, text); }
    void warn(QWidget *p, const QString &text) override { inform(p, text); }
    void showWithoutWaiting(QWidget *p, Tone, const QString &text) override { inform(p, text); }
    bool ask(QWidget *p, const QString &text) override
    {
        inform(p, text);
        return false;
    }
};

}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin"));
    PulseConnection soundServer;
    PulseAudioOutput output(soundServer);
    PulseSystemVolume volume(soundServer);
    PrintedMessages messages;
    QtFileDialogs dialogs;
    Player player({&output, &dialogs, &messages, folder, QDir::tempPath()});
    MainWindow console(player, {&volume, &messages});
    console.load();
    QCoreApplication::processEvents();
    const double startup = uptimeSeconds() - processStartSeconds();
    const double startupCpu = ProcessStats::cpuSeconds();

    qint64 pcmBytes = 0;
    for (int channel = 1; channel <= 14; ++channel) {
        if (ChannelBuffer *buffer = player.engine().buffer(channel))
            if (const SoundData *stored = buffer->sound().stored())
                pcmBytes += static_cast<qint64>(stored->frames()) * 4;
    }
    const double residentMb = residentKilobytes() / 1024.0;
    const double pcmMb = pcmBytes / 1048576.0;
    std::printf("start-up to console shown with sounds loaded: %.0f ms of CPU (target < 300 ms), %.0f ms of wall "
                "time (/proc resolution 10 ms)\n",
                startupCpu * 1000.0, startup * 1000.0);
    std::printf("resident %.1f MB, loaded PCM %.1f MB, overhead %.1f MB (target < 40 MB)\n", residentMb, pcmMb,
                residentMb - pcmMb);
    return startupCpu < 0.3 && residentMb - pcmMb < 40.0 ? 0 : 1;
}
