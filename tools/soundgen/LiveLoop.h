#pragma once

class LiveSound;
class StereoLoop;

// A loop recorded from a live sound: a stretch of the loop's length, whose end is blended
// into its beginning with an equal-power cross-fade, so that the file's seam is as smooth as
// the sound itself.
class LiveLoop
{
public:
    static constexpr double kBlendSeconds = 1.0;

    static StereoLoop record(LiveSound &sound);
};
