#pragma once

#include "settings/MixRecord.h"
#include "settings/SmallFile.h"

#include <QString>

#include <optional>

// A mix record on disk. Only a regular file of at most a few kilobytes is read, and a
// UTF-8 byte-order mark before the first field is skipped; writing goes through a
// temporary file that replaces the old one only once it is complete, so a failed write
// leaves the old file whole.
class MixFile
{
public:
    // A record is a few hundred bytes; a file beyond this is not a mix and is not read.
    static constexpr qint64 sizeLimit = 8 * 1024;
    // What every dialog that opens or saves a mix file offers, in Qt's filter notation.
    static constexpr const char *dialogFilter = "Sonivale Mix Files (*.smf)";

    // The record in `path`, or nothing and `reason` set to a phrase such as
    // "field 17 (switch of channel 7, "Wind") holds "2", but a switch must be 0 or 1".
    // `status` (when given) tells a missing file from one that could not be read.
    static std::optional<MixRecord> read(const QString &path, QString *reason, SmallFile::Status *status = nullptr);
    // False and `reason` set to the system's explanation when the file was not replaced.
    static bool write(const QString &path, const MixRecord &record, QString *reason);
};
