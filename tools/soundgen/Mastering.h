#pragma once

class StereoLoop;

// Brings every sound to one common integrated loudness (ITU-R BS.1770) with its sample
// peaks below the ceiling and no DC, so that channels can be mixed without one of them
// jumping out and without the playback limiter having work to do.
class Mastering
{
public:
    static constexpr double kTargetLufs = -21.0;
    static constexpr double kCeilingDbfs = -1.2;

    static void master(StereoLoop &loop);
    static double integratedLoudness(const StereoLoop &loop);

private:
    static void removeDc(StereoLoop &loop);
    static void applyGain(StereoLoop &loop, double gain);
    static void limitPeaks(StereoLoop &loop, double ceiling);
};
