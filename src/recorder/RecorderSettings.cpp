#include "recorder/RecorderSettings.h"

#include "settings/SmallFile.h"

#include <QLocale>
#include <QList>
#include <QSaveFile>

#include <cmath>

namespace {

enum Field { StopAtSize, StopAtLength, TargetSize, TargetLength, QualityIndex, Height, Left, Top,
             Mp3Chosen, WavChosen, SourceLine, SourceName, FieldCount };

const QByteArray trueText = QByteArrayLiteral("#TRUE#");
const QByteArray falseText = QByteArrayLiteral("#FALSE#");

std::optional<int> readInteger(const QByteArray &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<double> readMeasure(const QByteArray &text)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0.0;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<bool> readTruth(const QByteArray &text)
{
    const QByteArray trimmed = text.trimmed().toUpper();
    if (trimmed == trueText)
        return true;
    if (trimmed == falseText)
        return false;
    return std::nullopt;
}

QByteArray firstLine(const QByteArray &content)
{
    qsizetype end = 0;
    while (end < content.size() && content[end] != '\r' && content[end] != '\n')
        ++end;
    return content.left(end);
}

QByteArray measureText(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest).toLatin1();
}

}

RecorderSettings RecorderSettings::parse(const QByteArray &content)
{
    const QList<QByteArray> fields = firstLine(content).split(',');
    const auto field = [&fields](int index) {
        return index < fields.size() ? fields[index] : QByteArray();
    };
    RecorderSettings settings;
    settings.stopAtSize = readInteger(field(StopAtSize));
    settings.stopAtLength = readInteger(field(StopAtLength));
    settings.targetSize = readInteger(field(TargetSize));
    settings.targetLength = readInteger(field(TargetLength));
    settings.qualityIndex = readInteger(field(QualityIndex));
    settings.height = readMeasure(field(Height));
    settings.left = readMeasure(field(Left));
    settings.top = readMeasure(field(Top));
    settings.mp3Chosen = readTruth(field(Mp3Chosen));
    settings.wavChosen = readTruth(field(WavChosen));
    settings.sourceLine = readInteger(field(SourceLine));
    if (SourceName < fields.size())
        settings.sourceName = QString::fromUtf8(QByteArray::fromPercentEncoding(fields[SourceName].trimmed()));
    return settings;
}

QByteArray RecorderSettings::format() const
{
    const auto truth = [](std::optional<bool> value) { return value.value_or(false) ? trueText : falseText; };
    QList<QByteArray> fields(FieldCount);
    fields[StopAtSize] = QByteArray::number(stopAtSize.value_or(0));
    fields[StopAtLength] = QByteArray::number(stopAtLength.value_or(0));
    fields[TargetSize] = QByteArray::number(targetSize.value_or(0));
    fields[TargetLength] = QByteArray::number(targetLength.value_or(0));
    fields[QualityIndex] = QByteArray::number(qualityIndex.value_or(0));
    fields[Height] = measureText(height.value_or(0.0));
    fields[Left] = measureText(left.value_or(0.0));
    fields[Top] = measureText(top.value_or(0.0));
    fields[Mp3Chosen] = truth(mp3Chosen);
    fields[WavChosen] = truth(wavChosen);
    fields[SourceLine] = QByteArray::number(sourceLine.value_or(0));
    // Only a choice is written, so that the usual file keeps its eleven fields.
    if (sourceName.value_or(QString()).isEmpty())
        fields.removeLast();
    else
        fields[SourceName] = sourceName->toUtf8().toPercentEncoding();
    return fields.join(',') + "\r\n";
}

std::optional<RecorderSettings> RecorderSettings::read(const QString &path)
{
    return read(path, nullptr);
}

std::optional<RecorderSettings> RecorderSettings::read(const QString &path, QString *problem)
{
    const SmallFile::Result file = SmallFile::read(path, sizeLimit);
    if (!file.ok()) {
        if (problem && file.status != SmallFile::Status::Missing)
            *problem = file.reason;
        return std::nullopt;
    }
    return parse(file.content);
}

bool RecorderSettings::write(const QString &path, QString *error) const
{
    QSaveFile file(path);
    const QByteArray content = format();
    // Unbuffered, so that a full disk fails the write itself rather than a flush that the
    // commit might not notice.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(content) != content.size()
        || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
