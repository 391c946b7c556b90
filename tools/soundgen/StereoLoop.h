#pragma once

#include <cstddef>
#include <vector>

// Two channels of one loop of sound, as floating-point samples at full scale 1.
// The loop is periodic: index arithmetic wraps, so an event placed near the end
// continues at the start.
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

    // Adds a short sound starting at the given frame; its tail wraps round the loop.
    void addEvent(const std::vector<float> &event, std::size_t start, double leftGain, double rightGain);
    void addBed(const std::vector<float> &left, const std::vector<float> &right, double gain);
    void addBed(const std::vector<float> &mono, double leftGain, double rightGain);

    // Frequencies that complete a whole number of cycles per loop keep the seam inaudible.
    static double wholeCycles(double hertz);
    static std::size_t frameAt(double seconds);
    // Constant-power gains for a place from -1 (left) to 1 (right).
    static double leftGain(double place);
    static double rightGain(double place);

private:
    std::vector<float> m_left;
    std::vector<float> m_right;
};
