#pragma once

#include <QString>

#include <optional>

// A length of time as people type it: the sleep timer's, a render's and its fades. One
// rule for all of them, so that the same text means the same time wherever it is typed:
// numbers with h, min or s from hours down ("8h", "1h30m", "2min 5s", "1.5h", "90s"),
// and a number without a unit is minutes ("90", and "1h30" after hours). Nothing is
// longer than twelve hours, the longest night the program plans for.
class Duration
{
public:
    static constexpr int longestHours = 12;
    static constexpr int longestMinutes = longestHours * 60;
    static constexpr double longestSeconds = longestMinutes * 60.0;

    // The rule in a sentence, for help texts.
    static QString rule();

    // Seconds, or nothing with `problem` set to why not, as a phrase that follows the
    // option's name: "\"soon\" is not a duration such as ...".
    static std::optional<double> parseSeconds(const QString &text, QString *problem = nullptr);

    // "8 h", "1 h 30 min", "2 min 5 s", "40 s": whole seconds, for people to read, and
    // read back by parseSeconds() as the same time.
    static QString describe(double seconds);
};
