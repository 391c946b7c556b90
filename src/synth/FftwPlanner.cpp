#include "synth/FftwPlanner.h"

std::mutex &FftwPlanner::lock()
{
    static std::mutex planner;
    return planner;
}
