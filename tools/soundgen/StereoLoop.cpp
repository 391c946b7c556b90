#include "StereoLoop.h"

StereoLoop::StereoLoop()
    : m_left(kFrames, 0.0f)
    , m_right(kFrames, 0.0f)
{
}
