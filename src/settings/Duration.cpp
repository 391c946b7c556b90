#include "settings/Duration.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// Either a number alone (minutes), hours followed by a number alone (minutes), or any of
// hours, minutes and seconds with their units, in that order.
const QRegularExpression &grammar()
{
    static const QRegularExpression pattern = [] {
        const QString number = QStringLiteral("(\\d+(?:\\.\\d*)?|\\.\\d+)\\s*");
        const QString hours = QStringLiteral("%1(?:h|hrs?|hours?)\\s*").arg(number);
        const QString minutes = QStringLiteral("%1(?:m|mins?|minutes?)\\s*").arg(number);
        const QString seconds = QStringLiteral("%1(?:s|secs?|seconds?)\\s*").arg(number);
        return QRegularExpression(QStringLiteral("^\\s*(?:%1|%2%1|(?:%2)?(?:%3)?(?:%4)?)$")
                                      .arg(number, hours, minutes, seconds),
                                  QRegularExpression::CaseInsensitiveOption);
    }();
    return pattern;
}

double capturedNumber(const QRegularExpressionMatch &match, int group)
{
    return match.captured(group).isEmpty() ? 0.0 : match.captured(group).toDouble();
}

}

QString Duration::rule()
{
    return QStringLiteral("Durations take h, min or s (8h, 1h30m, 45min, 90s); a number alone is minutes; "
                          "at most %1 hours.")
        .arg(longestHours);
}

std::optional<double> Duration::parseSeconds(const QString &text, QString *problem)
{
    const QRegularExpressionMatch match = grammar().match(text);
    // The groups: 1 a number alone; 2 hours and 3 minutes without a unit; 4, 5 and 6
    // hours, minutes and seconds with their units.
    bool anything = false;
    for (int group = 1; group <= 6; ++group)
        anything = anything || !match.captured(group).isEmpty();
    if (!match.hasMatch() || !anything) {
        if (problem)
            *problem = QStringLiteral("\"%1\" is not a duration such as 8h, 1h30m, 45min or 90s (a number alone is "
                                      "minutes).")
                           .arg(text);
        return std::nullopt;
    }
    const double hours = capturedNumber(match, 2) + capturedNumber(match, 4);
    const double minutes = capturedNumber(match, 1) + capturedNumber(match, 3) + capturedNumber(match, 5);
    const double seconds = hours * 3600.0 + minutes * 60.0 + capturedNumber(match, 6);
    if (seconds > longestSeconds) {
        if (problem)
            *problem = QStringLiteral("\"%1\" is longer than %2 hours, the longest there is.")
                           .arg(text)
                           .arg(longestHours);
        return std::nullopt;
    }
    return seconds;
}

QString Duration::describe(double seconds)
{
    const qint64 whole = std::max<qint64>(0, std::llround(seconds));
    const qint64 hours = whole / 3600;
    const qint64 minutes = whole / 60 % 60;
    const qint64 rest = whole % 60;
    QStringList parts;
    if (hours > 0)
        parts << QStringLiteral("%1 h").arg(hours);
    if (minutes > 0)
        parts << QStringLiteral("%1 min").arg(minutes);
    if (rest > 0 || parts.isEmpty())
        parts << QStringLiteral("%1 s").arg(rest);
    return parts.join(QLatin1Char(' '));
}
