#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Filtered event shapes kept one after another, each trimmed of the ringing too faint to
// count, with where its onset lies: the bank that clicks and events are played from.
//
// Filled off the audio thread; read on it.
class ShapeBank
{
public:
    struct Shape
    {
        std::size_t first = 0;
        std::size_t length = 0;
        // Frames of ringing that the filter puts before the onset.
        std::size_t lead = 0;
        // The largest magnitude it reaches.
        float peak = 0.0f;
    };

    // Keeps the `frames` filtered frames at `filtered`, whose onset lies at frame `onset`.
    void add(const double *filtered, std::size_t frames, std::size_t onset);
    // Gives back the room that filling left over.
    void shrink() { m_samples.shrink_to_fit(); }

    std::size_t size() const { return m_shapes.size(); }
    const Shape &shape(std::size_t index) const { return m_shapes[index]; }
    const float *samples(const Shape &shape) const { return m_samples.data() + shape.first; }
    // The longest lead of any shape: how far ahead of its onset any event must start.
    std::uint64_t latency() const { return m_latency; }

private:
    std::vector<float> m_samples;
    std::vector<Shape> m_shapes;
    std::uint64_t m_latency = 0;
};
