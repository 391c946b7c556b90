#include "PulseTestTools.h"

#include <QProcess>
#include <QRegularExpression>

#include <pulse/simple.h>

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

std::vector<float> record(const QString &source, double seconds)
{
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, 48000, 2};
    int error = 0;
    pa_simple *stream = pa_simple_new(nullptr, "Sonivale test", PA_STREAM_RECORD, source.toUtf8().constData(),
                                      "test capture", &spec, nullptr, nullptr, &error);
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

long sinkVolume(const QString &sink)
{
    const QString text = pactl({QStringLiteral("get-sink-volume"), sink});
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral(":\\s*(\\d+)\\s*/")).match(text);
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

}
