#pragma once

#include "settings/Duration.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <functional>

class QSettings;

// The night features' preferences: the sleep timer's last choices, the drift and the
// list of scheduled mixes, kept in the group "Night" of preferences.ini in the
// configuration folder. Other groups of the file belong to others and are never written.
//
// A missing file gives the defaults. A file that cannot be read, or a value that makes no
// sense, gives the default for what could not be used and a problem() that says so. A
// file that cannot be written makes the setter answer false with the reason; the values
// stay in force for this run. Nothing here shows a message.
class Preferences
{
public:
    static constexpr const char *fileName = "preferences.ini";
    static constexpr const char *group = "Night";
    static constexpr int longestSleepMinutes = Duration::longestMinutes;
    static constexpr int longestGlideMinutes = 60;

    struct Sleep
    {
        int minutes = 30;
        bool atClockTime = false;
        QTime clockTime{7, 0};
        // Fade over the whole time, or over the last fadeMinutes.
        bool wholeDuration = false;
        int fadeMinutes = 10;
        bool exitAtEnd = false;
        friend bool operator==(const Sleep &, const Sleep &) = default;
    };

    struct Drift
    {
        bool enabled = false;
        // Hundredths of a decibel.
        int depth = 300;
        quint32 seed = 1;
        friend bool operator==(const Drift &, const Drift &) = default;
    };

    struct ScheduleEntry
    {
        QTime time;
        QString file;
        int glideMinutes = 0;
        bool daily = false;
        bool enabled = true;
        friend bool operator==(const ScheduleEntry &, const ScheduleEntry &) = default;
    };

    // `configFolder` holds the file; it is made when a value is first written.
    explicit Preferences(const QString &configFolder);
    ~Preferences();

    QString path() const;
    // What could not be read, for a message; empty when all was well.
    QString problem() const { return m_problems.join(QLatin1Char(' ')); }

    const Sleep &sleep() const { return m_sleep; }
    const Drift &drift() const { return m_drift; }
    const QList<ScheduleEntry> &schedule() const { return m_schedule; }

    bool setSleep(const Sleep &sleep, QString *reason);
    bool setDrift(const Drift &drift, QString *reason);
    bool setSchedule(const QList<ScheduleEntry> &schedule, QString *reason);

private:
    void read();
    void readSleep(QSettings &settings);
    void readDrift(QSettings &settings);
    void readSchedule(QSettings &settings);
    int readInt(QSettings &settings, const QString &key, int minimum, int maximum, int fallback);
    bool readBool(QSettings &settings, const QString &key, bool fallback);
    QTime readTime(QSettings &settings, const QString &key, QTime fallback);
    QString readChoice(QSettings &settings, const QString &key, const QStringList &choices);
    void complain(const QString &key);
    bool write(const std::function<void(QSettings &)> &writer, QString *reason);

    QString m_folder;
    QStringList m_problems;
    QStringList m_badKeys;
    Sleep m_sleep;
    Drift m_drift;
    QList<ScheduleEntry> m_schedule;
};
