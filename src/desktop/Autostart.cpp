#include "desktop/Autostart.h"

#include "product/ProductInfo.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

// Quotes an Exec= argument as the Desktop Entry Specification asks: inside double quotes
// the characters " ` $ and \ are escaped with a backslash.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=%");
    if (std::none_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); }))
        return argument;
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // A backslash in a desktop file's string value is itself escaped once more.
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}

Autostart::Autostart(QString folder)
    : m_folder(std::move(folder))
{
}

QString Autostart::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart"));
}

bool Autostart::isEnabled() const
{
    return QFile::exists(entryPath()) || QFile::exists(formerEntryPath());
}

bool Autostart::enable(const QString &program, QString *error)
{
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("the folder \"%1\" cannot be made").arg(m_folder);
        return false;
    }
    QSaveFile file(entryPath());
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Sonivale\n"
                                         "Comment=Start the masking sounds hidden in the tray\n"
                                         "Exec=%1 --tray\n"
                                         "Icon=sonivale\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execArgument(program));
    if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Left behind, it would start a second program at login, which would only hand over
    // to the first; a failure to remove it is therefore no failure to enable.
    QFile::remove(formerEntryPath());
    return true;
}

bool Autostart::disable(QString *error)
{
    for (const QString &path : {entryPath(), formerEntryPath()}) {
        QFile file(path);
        if (file.exists() && !file.remove()) {
            if (error)
                *error = file.errorString();
            return false;
        }
    }
    return true;
}

QString Autostart::entryPath() const
{
    return QDir(m_folder).filePath(QString::fromLatin1(ProductInfo::applicationId) + QLatin1String(".desktop"));
}

QString Autostart::formerEntryPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("sonivale.desktop"));
}
