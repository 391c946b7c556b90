#pragma once

#include <algorithm>
#include <cstddef>

// A slow curve followed in straight lines between points `interval` values apart, so that a
// value costs an addition. The owner works out each next point when asked: `nextPoint` is
// called with no arguments and returns it.
//
// The audio thread's, like the curves that hold it.
class StraightLines
{
public:
    explicit StraightLines(std::size_t interval)
        : m_interval(interval)
    {
    }

    std::size_t interval() const { return m_interval; }
    // Starts the curve at `value`, from which the first line leads to the next point.
    void place(double value) noexcept
    {
        m_value = static_cast<float>(value);
        m_left = 0;
    }

    template <typename NextPoint>
    float next(NextPoint nextPoint) noexcept
    {
        if (m_left == 0)
            aim(nextPoint());
        --m_left;
        m_value += m_slope;
        return m_value;
    }

    // Moves `frames` values on at once and returns the last, as that many next() would.
    template <typename NextPoint>
    float skip(std::size_t frames, NextPoint nextPoint) noexcept
    {
        while (frames > 0) {
            if (m_left == 0)
                aim(nextPoint());
            const std::size_t taken = std::min(frames, m_left);
            m_value += m_slope * static_cast<float>(taken);
            m_left -= taken;
            frames -= taken;
        }
        return m_value;
    }

private:
    void aim(double point) noexcept
    {
        m_slope = static_cast<float>((point - m_value) / static_cast<double>(m_interval));
        m_left = m_interval;
    }

    std::size_t m_interval;
    std::size_t m_left = 0;
    float m_value = 0.0f;
    float m_slope = 0.0f;
};
