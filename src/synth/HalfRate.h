#pragma once

#include <vector>

// Brings a sound made at twice its own rate down to that rate, exactly: through the
// frequency domain, keeping every frequency under the new rate's band and nothing above it.
// For the files and the tests, not the audio thread: it works on whole stretches at once.
class HalfRate
{
public:
    // Half as many frames as `doubled`; the stretch is taken as silent beyond its ends.
    static std::vector<float> halve(const std::vector<float> &doubled);
};
