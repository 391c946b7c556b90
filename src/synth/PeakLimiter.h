#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Keeps a stereo stream's peaks below a ceiling the way the shipped sounds were always
// mastered: each frame needs a gain that brings its louder side to the ceiling; the gain
// applied is the smallest needed within `reach` frames either side, averaged over as many
// again, so it dips smoothly around a loud crackle or drop and leaves the rest alone.
//
// The stream comes out `delay` frames late, since a peak is caught before it arrives; it
// starts from silence. Audio thread only after construction; a few operations a frame.
class PeakLimiter
{
public:
    // 3 ms at 22050 Hz.
    static constexpr std::size_t reach = 66;
    static constexpr std::size_t delay = 2 * reach;

    explicit PeakLimiter(float ceiling);

    // Replaces `frames` frames of each side with the limited stream.
    void process(float *left, float *right, std::size_t frames) noexcept;

private:
    static constexpr std::size_t window = 2 * reach + 1;
    static constexpr std::size_t ringFrames = 256;
    static constexpr std::size_t mask = ringFrames - 1;

    static float peak(const float *left, const float *right, std::size_t frames) noexcept;
    void passOn(float *left, float *right, std::size_t frames) noexcept;
    float limit(float &left, float &right) noexcept;

    float m_ceiling;
    std::array<float, ringFrames> m_left{};
    std::array<float, ringFrames> m_right{};
    std::array<float, ringFrames> m_needed{};
    std::array<float, ringFrames> m_minima{};
    // Frames whose needed gain may still be the window's smallest, in order, each smaller
    // than the one before: the smallest stands at the front.
    std::array<std::uint64_t, ringFrames> m_candidates{};
    std::size_t m_front = 0;
    std::size_t m_back = 0;
    double m_minimaSum = static_cast<double>(window);
    std::uint64_t m_frame = 0;
    // From this frame on, no need below 1 is within reach of the gains.
    std::uint64_t m_settledFrom = 0;
};
