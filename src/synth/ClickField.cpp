#include "synth/ClickField.h"

#include "synth/Random.h"
#include "synth/ZeroPhaseFilter.h"

#include <algorithm>
#include <cmath>

namespace {

// Long enough for the ringing of any filter the sounds use to die away on both sides.
constexpr std::size_t kFilterFrames = 4096;
constexpr std::size_t kOnsetFrame = kFilterFrames / 2;

}

ClickField::ClickField(std::size_t count, const Maker &make, const NoiseTable::Response &response, double sampleRate,
                       Random &random)
{
    // The clicks have always been made without their steady part.
    const auto unsteady = [&](double hertz) { return hertz > 0.0 ? response(hertz) : 0.0; };
    ZeroPhaseFilter filter(unsteady, kFilterFrames, sampleRate);
    for (std::size_t n = 0; n < count; ++n)
        m_bank.add(filter.filter(make(random), kOnsetFrame), kFilterFrames, kOnsetFrame);
}

void ClickField::schedule(std::uint64_t delay, std::size_t shape, float gain) noexcept
{
    if (m_playing == m_pool.size())
        return;
    m_pool[m_playing++] = {m_now + delay + m_bank.latency() - m_bank.shape(shape).lead, shape, gain};
}

void ClickField::addTo(float *mono, std::size_t frames) noexcept
{
    const std::uint64_t end = m_now + frames;
    std::size_t index = 0;
    while (index < m_playing) {
        const Click &click = m_pool[index];
        const ShapeBank::Shape &shape = m_bank.shape(click.shape);
        if (click.start >= end) {
            ++index;
            continue;
        }
        const std::uint64_t from = std::max(click.start, m_now);
        const std::uint64_t to = std::min<std::uint64_t>(click.start + shape.length, end);
        const float *source = m_bank.samples(shape) + (from - click.start);
        float *target = mono + (from - m_now);
        for (std::uint64_t i = 0; i < to - from; ++i)
            target[i] += click.gain * source[i];
        if (to == click.start + shape.length)
            m_pool[index] = m_pool[--m_playing];
        else
            ++index;
    }
    m_now = end;
}
