#pragma once

#include <cstddef>
#include <vector>

// Two channels of one loop of sound, as floating-point samples at full scale 1: what a
// sound file holds before it is mastered and written.
class StereoLoop
{
public:
    static constexpr std::size_t kFrames = std::size_t{1} << 20;
    static constexpr double kSampleRate = 22050.0;
    static constexpr double kSeconds = static_cast<double>(kFrames) / kSampleRate;

    StereoLoop();

    std::vector<float> &channel(int index) { return index == 0 ? m_left : m_right; }
    const std::vector<float> &channel(int index) const { return index == 0 ? m_left : m_right; }
    std::vector<float> &left() { return m_left; }
    std::vector<float> &right() { return m_right; }

private:
    std::vector<float> m_left;
    std::vector<float> m_right;
};
