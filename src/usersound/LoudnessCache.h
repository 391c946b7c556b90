#pragma once

#include "usersound/LoudnessMeter.h"

#include <QHash>
#include <QString>

#include <mutex>
#include <optional>

// The loudness of the user's sound files, measured once and kept in a small file by path,
// size and modification time, so that a file changed since is measured again.
//
// Any thread but the audio thread; calls are serialised. The file is read at the first look
// and written whole after each new measure, through a temporary file that replaces it, so a
// crash never leaves it half-written. A damaged or missing file counts as empty.
class LoudnessCache
{
public:
    // Entries beyond this many, the oldest first, are dropped.
    static constexpr int maximumEntries = 1000;

    explicit LoudnessCache(QString filePath);

    // The file in the user's cache folder.
    static QString standardFilePath();

    std::optional<LoudnessMeter::Measure> find(const QString &path, qint64 size, qint64 modified);
    void store(const QString &path, qint64 size, qint64 modified, LoudnessMeter::Measure measure);

private:
    struct Entry
    {
        qint64 size = 0;
        qint64 modified = 0;
        LoudnessMeter::Measure measure{};
        quint64 order = 0;
    };

    void loadOnce();
    void save() const;

    QString m_filePath;
    std::mutex m_mutex;
    bool m_loaded = false;
    quint64 m_order = 0;
    QHash<QString, Entry> m_entries;
};
