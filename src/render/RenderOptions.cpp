#include "render/RenderOptions.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

QString RenderOptions::problem() const
{
    if (outputPath.isEmpty())
        return QStringLiteral("No file to render to is given.");
    if (!(lengthSeconds > 0.0) || totalFrames() < 1)
        return QStringLiteral("The length must be more than zero.");
    if (lengthSeconds > maximumSeconds)
        return QStringLiteral("The length can be at most %1 hours.").arg(Duration::longestHours);
    if (sampleRate != preferredRate && sampleRate != compactDiscRate)
        return QStringLiteral("The sample rate must be %1 or %2 Hz.").arg(preferredRate).arg(compactDiscRate);
    const RenderFormat &kind = RenderFormat::of(format);
    if (kind.fixedRate != 0 && sampleRate != kind.fixedRate)
        return QStringLiteral("%1 files are always %2 Hz; choose %2 Hz for them.")
            .arg(QString::fromLatin1(kind.name))
            .arg(kind.fixedRate);
    if (fadeInSeconds < 0.0 || fadeOutSeconds < 0.0)
        return QStringLiteral("A fade cannot be shorter than zero.");
    if (seamlessLoop && (fadeInFrames() > 0 || fadeOutFrames() > 0))
        return QStringLiteral("A seamless loop has no fade-in or fade-out: its end flows into its beginning.");
    if (fadeInFrames() + fadeOutFrames() > totalFrames())
        return QStringLiteral("The fade-in and the fade-out together are longer than the render.");
    return {};
}

qint64 RenderOptions::loopCrossfadeFrames() const
{
    if (!seamlessLoop)
        return 0;
    return std::min(framesOf(loopCrossfadeSeconds), totalFrames() / 4);
}

qint64 RenderOptions::framesOf(double seconds) const
{
    if (!(seconds > 0.0))
        return 0;
    return static_cast<qint64>(std::llround(std::min(seconds, maximumSeconds * 2.0) * sampleRate));
}

QString RenderOptions::completePath(const QString &typed, const QString &folder, RenderFormat::Kind format)
{
    QString path = typed.trimmed();
    if (path.isEmpty())
        return path;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (QFileInfo(path).isRelative())
        path = QDir(folder).filePath(path);
    if (!RenderFormat::forPath(path))
        path += QLatin1Char('.') + QLatin1String(RenderFormat::of(format).extension);
    return QDir::cleanPath(path);
}
