#include "settings/MixFile.h"

#include "engine/ChannelTable.h"

#include <QSaveFile>

namespace {

QString controlName(MixRecord::Control control)
{
    switch (control) {
    case MixRecord::Control::Switch: return QStringLiteral("switch");
    case MixRecord::Control::Volume: return QStringLiteral("volume");
    case MixRecord::Control::Pan: return QStringLiteral("pan");
    case MixRecord::Control::Frequency: break;
    }
    return QStringLiteral("frequency");
}

QString fieldName(int number)
{
    const MixRecord::Field field = MixRecord::field(number);
    return QStringLiteral("field %1 (%2 of channel %3, \"%4\")")
        .arg(number)
        .arg(controlName(field.control))
        .arg(field.channel)
        .arg(QString::fromLatin1(ChannelTable::channel(field.channel).caption));
}

QString allowedValues(MixRecord::Control control)
{
    if (control == MixRecord::Control::Switch)
        return QStringLiteral("a switch must be 0 or 1");
    return QStringLiteral("a %1 must lie between %2 and %3")
        .arg(controlName(control))
        .arg(MixRecord::minimum(control))
        .arg(MixRecord::maximum(control));
}

// The field as the user would see it in an editor; control characters, bytes that are
// not text and the replacement characters for them all show as "?".
QString shown(const QByteArray &text)
{
    QString result = QString::fromUtf8(text.trimmed());
    for (QChar &c : result) {
        if (!c.isPrint() || c == QChar::ReplacementCharacter || c.isSurrogate())
            c = QLatin1Char('?');
    }
    if (text.size() >= MixRecord::Problem::textLimit)
        result += QStringLiteral("...");
    return result;
}

QString describe(const MixRecord::Problem &problem)
{
    using Kind = MixRecord::Problem::Kind;
    switch (problem.kind) {
    case Kind::TooFewValues:
        if (problem.field == 1)
            return QStringLiteral("it holds no values");
        return QStringLiteral("it holds only %1 of the %2 values of a mix: %3 and the fields after it are missing")
            .arg(problem.field - 1)
            .arg(MixRecord::fieldCount)
            .arg(fieldName(problem.field));
    case Kind::NotANumber:
        if (problem.text.trimmed().isEmpty())
            return QStringLiteral("%1 is empty").arg(fieldName(problem.field));
        return QStringLiteral("%1 holds \"%2\", which is not a number").arg(fieldName(problem.field), shown(problem.text));
    case Kind::OutOfRange:
        break;
    }
    return QStringLiteral("%1 holds %2, but %3")
        .arg(fieldName(problem.field), shown(problem.text), allowedValues(MixRecord::field(problem.field).control));
}

}

std::optional<MixRecord> MixFile::read(const QString &path, QString *reason, SmallFile::Status *status)
{
    const SmallFile::Result file = SmallFile::read(path, sizeLimit);
    if (status)
        *status = file.status;
    if (!file.ok()) {
        *reason = file.reason;
        return std::nullopt;
    }
    MixRecord::Problem problem;
    const std::optional<MixRecord> record = MixRecord::parse(file.content, &problem);
    if (!record)
        *reason = describe(problem);
    return record;
}

bool MixFile::write(const QString &path, const MixRecord &record, QString *reason)
{
    const QByteArray line = record.toLine();
    QSaveFile file(path);
    // Unbuffered, so that a short write shows here: QSaveFile commits a temporary file
    // whose buffered tail failed to reach the disk, and only the retry after a short
    // write yields the system's reason ("No space left on device").
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *reason = file.errorString();
        return false;
    }
    for (qsizetype done = 0; done < line.size();) {
        const qint64 written = file.write(line.constData() + done, line.size() - done);
        if (written <= 0) {
            *reason = file.errorString();
            return false;
        }
        done += written;
    }
    if (!file.commit()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}
