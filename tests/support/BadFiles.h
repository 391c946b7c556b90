#pragma once

#include <QByteArray>
#include <QString>

// Files that a reader of small text files must refuse without blocking or reading them
// whole. makeAt() puts at `path` what `kind` names: "<missing>" leaves nothing there;
// "<folder>", "<fifo>", "<zero>" (a link to /dev/zero), "<loop>" (a link to itself) and
// "<huge>" (`hugeStart` followed by holes up to 100 MB) make what they say; any other
// kind is written as the file's content.
namespace BadFiles {

constexpr qint64 hugeSize = 100'000'000;

bool makeAt(const QString &path, const QByteArray &kind, const QByteArray &hugeStart = QByteArray("1,"));

}
