#pragma once

#include <QString>

#include <memory>

class SoundFileReader;

// Opens the user's sound files for reading. A narrow seam, so that tests can slow a file
// down, hold it up or take it away.
//
// Any thread but the audio thread; open() may wait on the disk.
class SoundFileOpener
{
public:
    virtual ~SoundFileOpener() = default;

    // The file at `path`, open at its first frame; null with `reason` set (a few words, "not
    // a sound file") when it cannot be played.
    virtual std::unique_ptr<SoundFileReader> open(const QString &path, QString *reason) const = 0;
};
