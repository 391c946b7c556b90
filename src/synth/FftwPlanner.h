#pragma once

#include <mutex>

// FFTW's planner is not thread-safe, and the sounds of several channels are made at once:
// every plan in the library is made and destroyed under this one lock.
class FftwPlanner
{
public:
    static std::mutex &lock();
};
