#pragma once

#include "usersound/SoundFileOpener.h"

// Opens any file that libsndfile reads (WAV, FLAC, Ogg Vorbis, Opus, MP3, AIFF and more),
// after checking that it is a regular, readable, non-empty file of a sensible length; a
// FIFO or a device is refused without being opened for reading, so nothing waits on it.
//
// Its readers notice a file that is deleted, or replaced by another, while it plays: read()
// then fails, although the open file could still be read to its end.
class SndFileOpener final : public SoundFileOpener
{
public:
    // Longer than a night: a file longer than this is a mistake or a lie in its header.
    static constexpr double maximumHours = 24.0;
    static constexpr int minimumRate = 1000;
    static constexpr int maximumRate = 768000;

    std::unique_ptr<SoundFileReader> open(const QString &path, QString *reason) const override;
};
