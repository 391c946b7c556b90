// A night in ten minutes: all fourteen channels play through the sound server while the
// process is stopped for 100 ms once a minute (as memory pressure or a busy machine stops
// it); the default sink's monitor is recorded meanwhile and every run of digital silence of
// 5 ms or more in it is counted, beside the stream's underruns. Target: none of either.
// Gaps that begin within a second after a stall are counted apart from the others: those
// are the stream's queue running dry, the others the server's or the machine's. How long
// each stall really lasted is measured too, since a loaded machine stretches it.
// scripts/run-soak.sh loads the machine and runs this against PulseAudio and PipeWire.
//
// Run (with a sound server):
//   QT_QPA_PLATFORM=offscreen build/bench/SoakBench [seconds] [stall-every-seconds] [program-folder] [stall-ms]
// A longer stall than 100 ms finds how much of a stall the queue bridges.

#include "ProcessStats.h"

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/PulseAudioOutput.h"
#include "platform/PulseConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <pulse/simple.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int rate = 48000;
constexpr std::size_t shortestGapFrames = rate / 200;
constexpr std::size_t settleFrames = 2 * rate;
constexpr double nearStallSeconds = 1.0;

double secondsBetween(SteadyClock::time_point from, SteadyClock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

SteadyClock::duration afterSeconds(double seconds)
{
    return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
}

// Reads the monitor on a thread of its own; the server keeps what arrives while the
// process is stopped, so nothing of the sound is missed. It asks for long fragments: a
// recorder that asks for short ones makes PipeWire run the whole graph in short cycles
// (512 frames for 20 ms instead of the 2048 that the player alone gets), and the gaps that
// such cycles leave under load, with any player, are the instrument's and not the night's.
class MonitorListener
{
public:
    void start()
    {
        m_thread = std::thread([this] { listen(); });
    }

    void stop()
    {
        m_running = false;
        if (m_thread.joinable())
            m_thread.join();
    }

    bool failed() const { return m_failed; }
    // When the monitor's first frame was recorded: the sink plays in real time, so a gap's
    // frame count from here tells when it was heard, on the same clock as the stalls.
    SteadyClock::time_point origin() const { return m_origin; }
    int gaps() const { return m_gaps; }
    double gapMs() const { return 1000.0 * double(m_gapFrames) / rate; }
    double heardSeconds() const { return double(m_frames) / rate; }
    // Where each gap began, in seconds of recorded sound, to tell gaps at stalls from others.
    const std::vector<double> &gapStarts() const { return m_gapStarts; }

private:
    void listen()
    {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, rate, 2};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(500 * PA_USEC_PER_MSEC, &spec));
        int error = 0;
        pa_simple *stream = pa_simple_new(nullptr, "Sonivale soak", PA_STREAM_RECORD, "@DEFAULT_MONITOR@",
                                          "soak monitor", &spec, nullptr, &attr, &error);
        if (!stream) {
            m_failed = true;
            return;
        }
        m_origin = SteadyClock::now();
        std::vector<float> block(960 * 2);
        while (m_running) {
            if (pa_simple_read(stream, block.data(), block.size() * sizeof(float), &error) < 0) {
                m_failed = true;
                break;
            }
            count(block);
        }
        pa_simple_free(stream);
    }

    void count(const std::vector<float> &block)
    {
        for (std::size_t i = 0; i < block.size(); i += 2, ++m_frames) {
            if (m_frames < settleFrames)
                continue;
            if (block[i] == 0.0f && block[i + 1] == 0.0f) {
                ++m_run;
                continue;
            }
            endRun();
        }
    }

    void endRun()
    {
        if (m_run >= shortestGapFrames) {
            ++m_gaps;
            m_gapFrames += m_run;
            m_gapStarts.push_back(double(m_frames - m_run) / rate);
        }
        m_run = 0;
    }

    std::thread m_thread;
    std::atomic<bool> m_running{true};
    std::atomic<bool> m_failed{false};
    SteadyClock::time_point m_origin;
    std::size_t m_frames = 0;
    std::size_t m_run = 0;
    int m_gaps = 0;
    std::size_t m_gapFrames = 0;
    std::vector<double> m_gapStarts;
};

// Told of each stall as it is asked for, polls every 2 ms for a second and notes the
// longest time it was held: no thread runs while the process is stopped, so that is the
// stall as the program lived it, from the stop until a thread of it ran again. It sleeps
// between stalls, so as not to add wake-ups to the CPU figure.
class StallWatch
{
public:
    void start()
    {
        m_thread = std::thread([this] { watch(); });
    }

    void stop()
    {
        m_running = false;
        expectStall();
        if (m_thread.joinable())
            m_thread.join();
    }

    void expectStall()
    {
        m_armed = true;
        m_armed.notify_one();
    }

    // The longest hold after each stall, in milliseconds, in the order of the stalls.
    const std::vector<double> &heldMs() const { return m_heldMs; }

private:
    void watch()
    {
        while (true) {
            m_armed.wait(false);
            if (!m_running)
                return;
            m_armed = false;
            m_heldMs.push_back(longestHoldMs());
        }
    }

    static double longestHoldMs()
    {
        const auto until = SteadyClock::now() + afterSeconds(nearStallSeconds);
        double longest = 0.0;
        for (auto last = SteadyClock::now(); last < until;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            const auto now = SteadyClock::now();
            longest = std::max(longest, 1000.0 * secondsBetween(last, now));
            last = now;
        }
        return longest;
    }

    std::thread m_thread;
    std::atomic<bool> m_running{true};
    std::atomic<bool> m_armed{false};
    std::vector<double> m_heldMs;
};

void stallProcess(int stallMs)
{
    QProcess::startDetached(QStringLiteral("sh"),
                            {QStringLiteral("-c"), QStringLiteral("kill -STOP %1; sleep %2; kill -CONT %1")
                                                       .arg(QCoreApplication::applicationPid())
                                                       .arg(stallMs / 1000.0, 0, 'f', 3)});
}

// The stall a gap followed, if it began within a second after one.
const SteadyClock::time_point *stallBefore(SteadyClock::time_point gap,
                                           const std::vector<SteadyClock::time_point> &stalls)
{
    for (const SteadyClock::time_point &stall : stalls) {
        const double after = secondsBetween(stall, gap);
        if (after >= 0.0 && after < nearStallSeconds)
            return &stall;
    }
    return nullptr;
}

void reportStalls(const StallWatch &watch)
{
    std::vector<double> held = watch.heldMs();
    if (held.empty())
        return;
    std::sort(held.begin(), held.end());
    std::printf("  the stalls held the program %.0f to %.0f ms (median %.0f)\n", held.front(), held.back(),
                held[held.size() / 2]);
}

void reportGaps(const MonitorListener &listener, const std::vector<SteadyClock::time_point> &stalls)
{
    int nearStalls = 0;
    for (const double start : listener.gapStarts()) {
        const auto heard = listener.origin() + afterSeconds(start);
        if (const SteadyClock::time_point *stall = stallBefore(heard, stalls)) {
            ++nearStalls;
            std::printf("  gap at %.2f s, %.0f ms after a stall began\n", start,
                        1000.0 * secondsBetween(*stall, heard));
        } else {
            std::printf("  gap at %.2f s, no stall in the second before it\n", start);
        }
    }
    std::printf("  gaps within a second after a stall: %d; elsewhere: %d\n", nearStalls,
                listener.gaps() - nearStalls);
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 600;
    const int stallEvery = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 60;
    const QString folder = argc > 3 ? QString::fromLocal8Bit(argv[3])
                                    : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin"));
    const int stallMs = argc > 4 ? QString::fromLocal8Bit(argv[4]).toInt() : 100;
    PulseConnection connection;
    PulseAudioOutput output(connection);
    SoundEngine engine(output);
    engine.initialise();
    if (!output.waitForServer(5000) || !engine.loadChannelSounds(folder).isEmpty()) {
        std::printf("no sound server, or sounds missing in %s\n", qPrintable(folder));
        return 2;
    }
    ChannelControls controls(engine);
    for (int channel = 1; channel <= 14; ++channel) {
        controls.setSlider(channel, ChannelControls::Slider::Volume, -1200);
        controls.setSlider(channel, ChannelControls::Slider::Frequency, 12000 + 1000 * channel);
        controls.setSwitch(channel, 1);
    }
    MonitorListener listener;
    listener.start();
    StallWatch watch;
    watch.start();

    QTimer stallTimer;
    std::vector<SteadyClock::time_point> stalls;
    QObject::connect(&stallTimer, &QTimer::timeout, [&stalls, &watch, stallMs] {
        stalls.push_back(SteadyClock::now());
        watch.expectStall();
        stallProcess(stallMs);
    });
    stallTimer.start(stallEvery * 1000);
    const double cpuBefore = ProcessStats::cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double cpu = ProcessStats::cpuSeconds() - cpuBefore;
    listener.stop();
    watch.stop();

    std::printf("soak of %.0f s (%.0f s heard, %zu stalls of %d ms): %d gaps of 5 ms or more (%.1f ms in all), "
                "%llu underruns, buffer %d ms, %.2f %% of a core\n",
                wall.elapsed() / 1000.0, listener.heardSeconds(), stalls.size(), stallMs, listener.gaps(),
                listener.gapMs(), static_cast<unsigned long long>(output.underflowCount()), output.bufferMs(),
                100.0 * cpu / (wall.elapsed() / 1000.0));
    reportStalls(watch);
    reportGaps(listener, stalls);
    if (listener.failed()) {
        std::printf("the monitor could not be recorded\n");
        return 2;
    }
    return listener.gaps() == 0 && output.underflowCount() == 0 ? 0 : 1;
}
