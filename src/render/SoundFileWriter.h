#pragma once

#include "render/RenderFormat.h"

#include <QString>

#include <cstddef>

// Encodes stereo float frames (full scale is 1.0) into a file that is already open.
//
// Contract: one thread at a time calls it, in the order open(), write() any number of
// times, finish(). Every call blocks on the file system. A false result leaves the reason
// in errorString(), a phrase such as "No space left on device", and the file is then to be
// thrown away. The descriptor stays the caller's: it is never closed here.
class SoundFileWriter
{
public:
    virtual ~SoundFileWriter() = default;

    // `frames` is how many frames will come, for formats whose kind depends on the size.
    virtual bool open(int fileDescriptor, const RenderFormat &format, int sampleRate, qint64 frames) = 0;
    virtual bool write(const float *stereo, std::size_t frames) = 0;
    // Completes the file (trailers, headers that hold the length).
    virtual bool finish() = 0;
    // Stops at once without completing the file; no I/O on the descriptor follows.
    virtual void abandon() = 0;
    virtual QString errorString() const = 0;
};
