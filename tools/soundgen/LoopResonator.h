#pragma once

#include <vector>

// A two-pole resonator whose centre frequency may change from sample to sample. It runs
// twice round the loop and keeps the second pass, whose starting state is the settled
// state of the loop's end, so the output joins itself at the seam.
class LoopResonator
{
public:
    static std::vector<float> resonate(const std::vector<float> &input, const std::vector<float> &centreHertz,
                                       double bandwidthHertz);
};
