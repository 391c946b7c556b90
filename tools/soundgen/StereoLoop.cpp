#include "StereoLoop.h"

#include <cmath>
#include <numbers>

StereoLoop::StereoLoop()
    : m_left(kFrames, 0.0f)
    , m_right(kFrames, 0.0f)
{
}

void StereoLoop::addEvent(const std::vector<float> &event, std::size_t start, double leftGain, double rightGain)
{
    for (std::size_t i = 0; i < event.size(); ++i) {
        const std::size_t frame = (start + i) % kFrames;
        m_left[frame] += static_cast<float>(leftGain * event[i]);
        m_right[frame] += static_cast<float>(rightGain * event[i]);
    }
}

void StereoLoop::addBed(const std::vector<float> &left, const std::vector<float> &right, double gain)
{
    for (std::size_t i = 0; i < kFrames; ++i) {
        m_left[i] += static_cast<float>(gain * left[i]);
        m_right[i] += static_cast<float>(gain * right[i]);
    }
}

void StereoLoop::addBed(const std::vector<float> &mono, double leftGain, double rightGain)
{
    for (std::size_t i = 0; i < kFrames; ++i) {
        m_left[i] += static_cast<float>(leftGain * mono[i]);
        m_right[i] += static_cast<float>(rightGain * mono[i]);
    }
}

double StereoLoop::wholeCycles(double hertz)
{
    return std::round(hertz * kSeconds) / kSeconds;
}

std::size_t StereoLoop::frameAt(double seconds)
{
    const double wrapped = seconds - kSeconds * std::floor(seconds / kSeconds);
    return static_cast<std::size_t>(wrapped * kSampleRate) % kFrames;
}

double StereoLoop::leftGain(double place)
{
    return std::cos((place + 1.0) * std::numbers::pi / 4.0);
}

double StereoLoop::rightGain(double place)
{
    return std::sin((place + 1.0) * std::numbers::pi / 4.0);
}
