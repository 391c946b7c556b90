#pragma once

#include <optional>

class SoundFileReader;

// Measures a sound file's integrated loudness (EBU R 128) and its sample peak, as it plays:
// down-mixed to stereo. A long file is measured from pieces spread evenly over it, which
// gives the loudness of a steady sound to a fraction of a unit in a fraction of the time.
//
// Any thread but the audio thread; reads the file, so it may take seconds.
class LoudnessMeter
{
public:
    struct Measure
    {
        double integrated; // LUFS; -infinity for silence
        double peak;       // the largest sample's magnitude, full scale 1
    };

    // Files up to this long are measured whole.
    static constexpr double wholeSeconds = 300.0;
    // Files shorter than this are measured as they loop, round and round until this long.
    static constexpr double shortestSeconds = 3.0;
    static constexpr int pieces = 60;
    static constexpr double pieceSeconds = 5.0;

    // Null when the file could not be read.
    static std::optional<Measure> measure(SoundFileReader &reader);
};
