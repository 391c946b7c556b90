#include "synth/EventField.h"

#include "synth/Random.h"
#include "synth/ZeroPhaseFilter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace {

// Room either side of a shape for the filter's ringing to die away.
constexpr double kRingingSeconds = 0.05;
// The taper that keeps the shapes inside the band starts this far below its edge: a gentle
// slope rings for a few frames where an abrupt edge would ring for thousands.
constexpr double kTaperHertz = 1500.0;

double taper(double hertz)
{
    const double start = NoiseTable::bandHertz - kTaperHertz;
    if (hertz <= start)
        return 1.0;
    if (hertz >= NoiseTable::bandHertz)
        return 0.0;
    return 0.5 + 0.5 * std::cos(std::numbers::pi * (hertz - start) / kTaperHertz);
}

}

EventField::EventField(std::size_t count, const Maker &make, const NoiseTable::Response &response, double sampleRate,
                       std::size_t poolSize, Random &random)
    : m_pool(poolSize)
{
    std::vector<std::vector<float>> made;
    std::size_t longest = 0;
    for (std::size_t index = 0; index < count; ++index) {
        made.push_back(make(index, random));
        longest = std::max(longest, made.back().size());
    }
    const auto reach = static_cast<std::size_t>(kRingingSeconds * sampleRate);
    const std::size_t frames = std::bit_ceil(longest + 2 * reach);
    ZeroPhaseFilter filter([&](double hertz) { return response(hertz) * taper(hertz); }, frames, sampleRate);
    for (const std::vector<float> &shape : made)
        m_bank.add(filter.filter(shape, reach), frames, reach);
    m_bank.shrink();
}

EventField::Sides EventField::placed(double gain, double place)
{
    const double angle = (place + 1.0) * std::numbers::pi / 4.0;
    return {static_cast<float>(gain * std::cos(angle)), static_cast<float>(gain * std::sin(angle))};
}

void EventField::schedule(std::uint64_t delay, std::size_t shape, Sides gains) noexcept
{
    if (m_playing == m_pool.size())
        return;
    const ShapeBank::Shape &chosen = m_bank.shape(shape);
    m_pool[m_playing++] = {m_now + delay + m_bank.latency() - chosen.lead, m_bank.samples(chosen), chosen.length,
                           gains.left, gains.right};
}

void EventField::addTo(float *left, float *right, std::size_t frames) noexcept
{
    const std::uint64_t end = m_now + frames;
    std::size_t index = 0;
    while (index < m_playing) {
        Event &event = m_pool[index];
        if (event.start >= end) {
            ++index;
            continue;
        }
        const std::uint64_t from = std::max(event.start, m_now);
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(event.remaining, end - from));
        const std::size_t offset = from - m_now;
        add(event, count, left + offset, right + offset);
        event.samples += count;
        event.remaining -= count;
        event.start = from + count;
        if (event.remaining == 0)
            event = m_pool[--m_playing];
        else
            ++index;
    }
    m_now = end;
}

void EventField::add(const Event &event, std::size_t count, float *left, float *right) noexcept
{
    const float *from = event.samples;
    for (std::size_t i = 0; i < count; ++i) {
        left[i] += event.leftGain * from[i];
        right[i] += event.rightGain * from[i];
    }
}
