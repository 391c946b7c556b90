#include "PulseTestTools.h"

#include <QProcess>
#include <QRegularExpression>

#include <atomic>
#include <thread>

#include <pulse/simple.h>
#include <pulse/timeval.h>

namespace PulseTestTools {

QString pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    // A command that succeeds without output still answers with a non-null string.
    QString output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return output.isNull() ? QStringLiteral("") : output;
}

namespace {

pa_simple *openRecording(const QString &source)
{
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, 48000, 2};
    // Fragments of their own size: PipeWire's PulseAudio service otherwise hands a
    // recording its data in two-second pieces. No shorter than the graph's largest quantum
    // (43 ms), though: a shorter one shrinks the quantum for every stream of the sink, and
    // on a slow machine the server then misses cycles and leaves silent runs in what the
    // test hears.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(50 * PA_USEC_PER_MSEC, &spec));
    int error = 0;
    return pa_simple_new(nullptr, "Sonivale test", PA_STREAM_RECORD, source.toUtf8().constData(), "test capture",
                         &spec, nullptr, &attr, &error);
}

}

struct BackgroundRecording::State
{
    std::thread thread;
    std::atomic<bool> running{true};
    std::vector<float> heard;
};

BackgroundRecording::BackgroundRecording(const QString &source)
    : m_state(std::make_unique<State>())
{
    m_state->thread = std::thread([state = m_state.get(), source] {
        pa_simple *stream = openRecording(source);
        if (!stream)
            return;
        std::vector<float> block(960 * 2);
        int error = 0;
        while (state->running && pa_simple_read(stream, block.data(), block.size() * sizeof(float), &error) >= 0)
            state->heard.insert(state->heard.end(), block.begin(), block.end());
        pa_simple_free(stream);
    });
}

BackgroundRecording::~BackgroundRecording()
{
    stop();
}

std::vector<float> BackgroundRecording::stop()
{
    m_state->running = false;
    if (m_state->thread.joinable())
        m_state->thread.join();
    return std::move(m_state->heard);
}

std::vector<float> record(const QString &source, double seconds)
{
    int error = 0;
    pa_simple *stream = openRecording(source);
    if (!stream)
        return {};
    std::vector<float> data(static_cast<std::size_t>(seconds * 48000) * 2);
    const int ok = pa_simple_read(stream, data.data(), data.size() * sizeof(float), &error);
    pa_simple_free(stream);
    return ok < 0 ? std::vector<float>{} : data;
}

QString defaultSink()
{
    return pactl({QStringLiteral("get-default-sink")}).trimmed();
}

namespace {

// The raw volume of channel `side` on the first volume line in pactl's `text`, which reads
// "Volume: front-left: 65536 / 100% / 0.00 dB,   front-right: ...".
long volumeIn(const QString &text, int side = 0)
{
    const QRegularExpressionMatch line = QRegularExpression(QStringLiteral("Volume: (.*)")).match(text);
    QRegularExpressionMatchIterator sides = QRegularExpression(QStringLiteral("[\\w-]+:\\s*(\\d+)\\s*/")).globalMatch(line.captured(1));
    for (int i = 0; sides.hasNext(); ++i) {
        const QRegularExpressionMatch match = sides.next();
        if (i == side)
            return match.captured(1).toLong();
    }
    return -1;
}

}

long sinkVolume(const QString &sink)
{
    return volumeIn(pactl({QStringLiteral("get-sink-volume"), sink}));
}

long sinkInputVolume(int side)
{
    return volumeIn(pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")}), side);
}

}
