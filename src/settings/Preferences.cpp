#include "settings/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString timeFormat = QStringLiteral("HH:mm");

QString yesNo(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

}

Preferences::Preferences(const QString &configFolder)
    : m_folder(configFolder)
{
    read();
}

Preferences::~Preferences() = default;

QString Preferences::path() const
{
    return QDir(m_folder).filePath(QString::fromLatin1(fileName));
}

void Preferences::read()
{
    const QFileInfo info(path());
    if (!info.exists())
        return;
    // Opening asks the system itself; a permission test alone can be wrong for privileged users.
    QFile file(path());
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        m_problems << QStringLiteral("The preferences file \"%1\" cannot be read, so the sleep timer, drift and "
                                     "schedule start from their defaults.")
                          .arg(path());
        return;
    }
    QSettings settings(path(), QSettings::IniFormat);
    if (settings.status() == QSettings::FormatError) {
        m_problems << QStringLiteral("The preferences file \"%1\" is damaged, so the sleep timer, drift and "
                                     "schedule start from their defaults.")
                          .arg(path());
        return;
    }
    settings.beginGroup(QString::fromLatin1(group));
    readSleep(settings);
    readDrift(settings);
    readSchedule(settings);
    if (!m_badKeys.isEmpty()) {
        m_problems << QStringLiteral("Some night preferences in \"%1\" could not be used and are back at their "
                                     "defaults: %2.")
                          .arg(path(), m_badKeys.join(QStringLiteral(", ")));
    }
}

void Preferences::complain(const QString &key)
{
    m_badKeys << key;
}

int Preferences::readInt(QSettings &settings, const QString &key, int minimum, int maximum, int fallback)
{
    if (!settings.contains(key))
        return fallback;
    bool ok = false;
    const int value = settings.value(key).toString().trimmed().toInt(&ok);
    if (ok && value >= minimum && value <= maximum)
        return value;
    complain(key);
    return fallback;
}

bool Preferences::readBool(QSettings &settings, const QString &key, bool fallback)
{
    const QString text = readChoice(settings, key, {QStringLiteral("true"), QStringLiteral("false")});
    return text.isEmpty() ? fallback : text == QLatin1String("true");
}

QTime Preferences::readTime(QSettings &settings, const QString &key, QTime fallback)
{
    if (!settings.contains(key))
        return fallback;
    const QTime time = QTime::fromString(settings.value(key).toString().trimmed(), timeFormat);
    if (time.isValid())
        return time;
    complain(key);
    return fallback;
}

// The value of `key` when it is one of `choices`, else empty.
QString Preferences::readChoice(QSettings &settings, const QString &key, const QStringList &choices)
{
    if (!settings.contains(key))
        return {};
    const QString text = settings.value(key).toString().trimmed().toLower();
    if (choices.contains(text))
        return text;
    complain(key);
    return {};
}

void Preferences::readSleep(QSettings &settings)
{
    Sleep defaults;
    m_sleep.minutes = readInt(settings, QStringLiteral("sleepMinutes"), 1, longestSleepMinutes, defaults.minutes);
    m_sleep.atClockTime = readBool(settings, QStringLiteral("sleepAtClockTime"), defaults.atClockTime);
    m_sleep.clockTime = readTime(settings, QStringLiteral("sleepClockTime"), defaults.clockTime);
    m_sleep.wholeDuration = readChoice(settings, QStringLiteral("sleepFade"),
                                       {QStringLiteral("last"), QStringLiteral("whole")})
        == QLatin1String("whole");
    m_sleep.fadeMinutes = readInt(settings, QStringLiteral("sleepFadeMinutes"), 1, longestSleepMinutes,
                                  defaults.fadeMinutes);
    m_sleep.exitAtEnd = readChoice(settings, QStringLiteral("sleepEnd"),
                                   {QStringLiteral("pause"), QStringLiteral("exit")})
        == QLatin1String("exit");
}

void Preferences::readDrift(QSettings &settings)
{
    Drift defaults;
    m_drift.enabled = readBool(settings, QStringLiteral("driftOn"), defaults.enabled);
    m_drift.depth = readInt(settings, QStringLiteral("driftDepth"), 1, 600, defaults.depth);
    const QString seedKey = QStringLiteral("driftSeed");
    if (settings.contains(seedKey)) {
        bool ok = false;
        const uint seed = settings.value(seedKey).toString().trimmed().toUInt(&ok);
        if (ok)
            m_drift.seed = seed;
        else
            complain(seedKey);
    }
}

void Preferences::readSchedule(QSettings &settings)
{
    const int count = settings.beginReadArray(QStringLiteral("schedule"));
    for (int i = 0; i < count && i < 100; ++i) {
        settings.setArrayIndex(i);
        const int badBefore = static_cast<int>(m_badKeys.size());
        ScheduleEntry entry;
        entry.time = readTime(settings, QStringLiteral("time"), QTime());
        entry.file = settings.value(QStringLiteral("file")).toString();
        entry.glideMinutes = readInt(settings, QStringLiteral("glideMinutes"), 0, longestGlideMinutes, 0);
        entry.daily = readChoice(settings, QStringLiteral("repeat"), {QStringLiteral("once"), QStringLiteral("daily")})
            == QLatin1String("daily");
        entry.enabled = readBool(settings, QStringLiteral("enabled"), true);
        if (!entry.time.isValid() || entry.file.isEmpty()) {
            if (static_cast<int>(m_badKeys.size()) == badBefore)
                complain(QStringLiteral("schedule/%1").arg(i + 1));
            continue;
        }
        // An entry whose other values are off keeps its time and file: it is the user's plan.
        if (static_cast<int>(m_badKeys.size()) != badBefore)
            m_badKeys.back() = QStringLiteral("schedule/%1/%2").arg(i + 1).arg(m_badKeys.back());
        m_schedule.append(entry);
    }
    settings.endArray();
}

bool Preferences::write(const std::function<void(QSettings &)> &writer, QString *reason)
{
    if (!QDir().mkpath(m_folder)) {
        *reason = QStringLiteral("the folder \"%1\" cannot be made").arg(m_folder);
        return false;
    }
    const QFileInfo info(path());
    if (info.exists() && !info.isFile()) {
        *reason = QStringLiteral("\"%1\" is not a file").arg(path());
        return false;
    }
    // Writing a file that cannot be read would drop what others keep there.
    if (QFile existing(path()); info.exists() && !existing.open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("\"%1\" cannot be read").arg(path());
        return false;
    }
    QSettings settings(path(), QSettings::IniFormat);
    if (settings.status() == QSettings::FormatError) {
        // Rewriting a damaged file would drop what others keep there; it is left as it is.
        *reason = QStringLiteral("\"%1\" is damaged").arg(path());
        return false;
    }
    settings.beginGroup(QString::fromLatin1(group));
    writer(settings);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        *reason = QStringLiteral("\"%1\" cannot be written").arg(path());
        return false;
    }
    return true;
}

bool Preferences::setSleep(const Sleep &sleep, QString *reason)
{
    m_sleep = sleep;
    return write(
        [&sleep](QSettings &settings) {
            settings.setValue(QStringLiteral("sleepMinutes"), sleep.minutes);
            settings.setValue(QStringLiteral("sleepAtClockTime"), yesNo(sleep.atClockTime));
            settings.setValue(QStringLiteral("sleepClockTime"), sleep.clockTime.toString(timeFormat));
            settings.setValue(QStringLiteral("sleepFade"),
                              sleep.wholeDuration ? QStringLiteral("whole") : QStringLiteral("last"));
            settings.setValue(QStringLiteral("sleepFadeMinutes"), sleep.fadeMinutes);
            settings.setValue(QStringLiteral("sleepEnd"), sleep.exitAtEnd ? QStringLiteral("exit") : QStringLiteral("pause"));
        },
        reason);
}

bool Preferences::setDrift(const Drift &drift, QString *reason)
{
    m_drift = drift;
    return write(
        [&drift](QSettings &settings) {
            settings.setValue(QStringLiteral("driftOn"), yesNo(drift.enabled));
            settings.setValue(QStringLiteral("driftDepth"), drift.depth);
            settings.setValue(QStringLiteral("driftSeed"), drift.seed);
        },
        reason);
}

bool Preferences::setSchedule(const QList<ScheduleEntry> &schedule, QString *reason)
{
    m_schedule = schedule;
    return write(
        [&schedule](QSettings &settings) {
            settings.remove(QStringLiteral("schedule"));
            settings.beginWriteArray(QStringLiteral("schedule"), static_cast<int>(schedule.size()));
            for (int i = 0; i < schedule.size(); ++i) {
                const ScheduleEntry &entry = schedule[i];
                settings.setArrayIndex(i);
                settings.setValue(QStringLiteral("time"), entry.time.toString(timeFormat));
                settings.setValue(QStringLiteral("file"), entry.file);
                settings.setValue(QStringLiteral("glideMinutes"), entry.glideMinutes);
                settings.setValue(QStringLiteral("repeat"), entry.daily ? QStringLiteral("daily") : QStringLiteral("once"));
                settings.setValue(QStringLiteral("enabled"), yesNo(entry.enabled));
            }
            settings.endArray();
        },
        reason);
}
