#include "desktop/DesktopPreferences.h"

#include <QDir>
#include <QSettings>

namespace {

const char *group = "Desktop";
const char *startInTrayKey = "StartInTray";
const char *startWithDesktopKey = "StartWithDesktop";
const char *playLastMixAtStartKey = "PlayLastMixAtStart";
const char *playOnKey = "PlayOn";
const char *mixFolderKey = "MixFolder";

}

DesktopPreferences::DesktopPreferences(const QString &configFolder)
    : m_path(QDir(configFolder).filePath(QString::fromLatin1(fileName)))
{
}

bool DesktopPreferences::startInTray() const
{
    return value(startInTrayKey, false).toBool();
}

void DesktopPreferences::setStartInTray(bool on)
{
    setValue(startInTrayKey, on);
}

bool DesktopPreferences::startWithDesktop() const
{
    return value(startWithDesktopKey, false).toBool();
}

void DesktopPreferences::setStartWithDesktop(bool on)
{
    setValue(startWithDesktopKey, on);
}

bool DesktopPreferences::playLastMixAtStart() const
{
    return value(playLastMixAtStartKey, false).toBool();
}

void DesktopPreferences::setPlayLastMixAtStart(bool on)
{
    setValue(playLastMixAtStartKey, on);
}

QString DesktopPreferences::playOnSink() const
{
    return value(playOnKey, QString()).toString();
}

void DesktopPreferences::setPlayOnSink(const QString &name)
{
    setValue(playOnKey, name);
}

QString DesktopPreferences::mixFolder() const
{
    return value(mixFolderKey, QString()).toString();
}

void DesktopPreferences::setMixFolder(const QString &folder)
{
    setValue(mixFolderKey, folder);
}

QVariant DesktopPreferences::value(const char *key, const QVariant &fallback) const
{
    QSettings settings(m_path, QSettings::IniFormat);
    settings.beginGroup(QString::fromLatin1(group));
    return settings.value(QString::fromLatin1(key), fallback);
}

void DesktopPreferences::setValue(const char *key, const QVariant &value)
{
    QSettings settings(m_path, QSettings::IniFormat);
    settings.beginGroup(QString::fromLatin1(group));
    settings.setValue(QString::fromLatin1(key), value);
}
