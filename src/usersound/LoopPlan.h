#pragma once

#include <cstdint>
#include <optional>

class SoundFileReader;

// How a user's sound file loops without a seam. A file whose end already runs on into its
// beginning (no step larger than those around it, no change of level) loops whole. Any other
// has its last `fade` frames cross-faded, at equal power, into the `fade` frames before
// `start`, which lies one to three seconds into the file (less in a file shorter than nine
// seconds); play goes on from `start`, so the frames before it sound only inside the fade.
struct LoopPlan
{
    static constexpr double minimumFadeSeconds = 1.0;
    static constexpr double maximumFadeSeconds = 3.0;
    // The stretch at each end compared for a seam.
    static constexpr double edgeSeconds = 0.02;

    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t fade = 0;

    std::int64_t length() const { return end - start; }

    // Reads both ends of the file; null when it could not.
    static std::optional<LoopPlan> plan(SoundFileReader &reader);
};
