#pragma once

#include "render/RenderOptions.h"

#include <QString>

#include <atomic>
#include <functional>

class MixSnapshot;
class SoundFileWriter;

// Renders a mix into a sound file through the same mixer the console plays through, each
// channel at the volume, pan and rate of the snapshot, every sound from the start of its
// loop. The file gets the fades of the options, or, for a seamless loop, an end that is
// cross-faded into its beginning so that a player repeating it shows no seam.
//
// Runs wholly on the calling thread (a worker, for a long render) and touches nothing of
// the console: the snapshot's sounds are only read. The file is written as a temporary
// file beside the target and renamed once complete; a failure or a cancel leaves nothing.
class MixRenderer
{
public:
    struct Result
    {
        enum class Status { Done, Cancelled, Failed };
        Status status = Status::Done;
        // For a failure, the message for the user, naming the file and the reason.
        QString message;
    };

    // Told the frames done and the frames to do, after every block; from the calling thread.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    static constexpr std::size_t blockFrames = 4096;

    static Result render(const MixSnapshot &snapshot, const RenderOptions &options, SoundFileWriter &writer,
                         const std::atomic<bool> &cancel, const Progress &progress = {});
};
