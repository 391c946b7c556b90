#include "usersound/LoudnessCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One line a file: size, modification time in milliseconds, loudness, peak, then the path,
// which may hold any character but a line break.
constexpr int fields = 5;

}

LoudnessCache::LoudnessCache(QString filePath)
    : m_filePath(std::move(filePath))
{
}

QString LoudnessCache::standardFilePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).filePath(QStringLiteral("loudness.tsv"));
}

std::optional<LoudnessMeter::Measure> LoudnessCache::find(const QString &path, qint64 size, qint64 modified)
{
    const std::lock_guard lock(m_mutex);
    loadOnce();
    const auto found = m_entries.constFind(path);
    if (found == m_entries.constEnd() || found->size != size || found->modified != modified)
        return std::nullopt;
    return found->measure;
}

void LoudnessCache::store(const QString &path, qint64 size, qint64 modified, LoudnessMeter::Measure measure)
{
    if (path.contains(QLatin1Char('\n')) || !std::isfinite(measure.integrated))
        return;
    const std::lock_guard lock(m_mutex);
    loadOnce();
    m_entries.insert(path, Entry{size, modified, measure, ++m_order});
    if (m_entries.size() > maximumEntries) {
        auto oldest = std::min_element(m_entries.begin(), m_entries.end(),
                                       [](const Entry &a, const Entry &b) { return a.order < b.order; });
        m_entries.erase(oldest);
    }
    save();
}

void LoudnessCache::loadOnce()
{
    if (m_loaded)
        return;
    m_loaded = true;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine());
        if (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
        const QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() < fields)
            continue;
        bool ok[4] = {};
        Entry entry{parts[0].toLongLong(&ok[0]), parts[1].toLongLong(&ok[1]),
                    {parts[2].toDouble(&ok[2]), parts[3].toDouble(&ok[3])}, ++m_order};
        if (std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }))
            m_entries.insert(parts.mid(fields - 1).join(QLatin1Char('\t')), entry);
    }
}

void LoudnessCache::save() const
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    std::vector<std::pair<QString, Entry>> ordered;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        ordered.emplace_back(it.key(), it.value());
    std::sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) { return a.second.order < b.second.order; });
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (const auto &[path, entry] : ordered) {
        file.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                       .arg(entry.size)
                       .arg(entry.modified)
                       .arg(entry.measure.integrated, 0, 'g', 17)
                       .arg(entry.measure.peak, 0, 'g', 17)
                       .arg(path)
                       .toUtf8());
    }
    file.commit();
}
