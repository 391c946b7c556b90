#pragma once

#include <QString>

// The recorder's file-name helpers, shared by saving a take and by the MP3 conversion.
namespace RecordingFileNames {

// True when a file or folder exists at `path`.
bool fileExists(const QString &path);
// True when `path` holds at least one blank.
bool hasSpace(const QString &path);
// The form of `path` that the capture device and the encoder take as one word. Paths
// reach both as one argument each, so this is the path itself; nothing is created or
// deleted to find it.
QString getShortName(const QString &path);
// The folder of `path`, without a trailing separator ("/" for a file in the root).
QString getPath(const QString &path);

}
