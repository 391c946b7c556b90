#include "engine/ShippedSounds.h"

#include "synth/SoundFingerprint.h"

#include <QDir>
#include <QFile>

ShippedSounds::ShippedSounds(const QString &folder)
{
    QFile manifest(QDir(folder).filePath(QString::fromLatin1(SoundFingerprint::manifestName)));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!manifest.atEnd()) {
        const QStringList fields = QString::fromUtf8(manifest.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() == 2)
            m_fingerprints.insert(fields[0], fields[1].trimmed());
    }
}

bool ShippedSounds::isShipped(const QString &name, const QString &path) const
{
    const auto found = m_fingerprints.constFind(name);
    return found != m_fingerprints.constEnd()
           && QString::fromStdString(SoundFingerprint::of(QFile::encodeName(path).toStdString())) == *found;
}
