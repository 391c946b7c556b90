#pragma once

#include "settings/MixRecord.h"

#include <QString>

#include <optional>

// A mix record on disk. Reading stops after the 61st field; writing goes through a
// temporary file that replaces the old one only once it is complete, so a failed write
// leaves the old file whole.
class MixFile
{
public:
    // The record in `path`, or nothing and `reason` set to a phrase such as
    // "field 17 (switch of channel 7, "Wind") holds "2", but a switch must be 0 or 1".
    static std::optional<MixRecord> read(const QString &path, QString *reason);
    // False and `reason` set to the system's explanation when the file was not replaced.
    static bool write(const QString &path, const MixRecord &record, QString *reason);
};
