#include "dsp/RunningDoubler.h"

#include <algorithm>

namespace {

// The vector path doubles sixteen frames at a time and reads sixteen past the kernel's reach.
constexpr std::int64_t vectorFrames = 16;

}

RunningDoubler::RunningDoubler(std::int64_t largestBlock)
    : m_doubler(Doubler::Kernel::HalfBand)
    , m_largestBlock(largestBlock)
{
    const auto window = static_cast<std::size_t>(historyFrames + vectorFrames - 1 + largestBlock + vectorFrames);
    m_left = std::make_unique<float[]>(window);
    m_right = std::make_unique<float[]>(window);
    m_doubled = std::make_unique<std::int16_t[]>(static_cast<std::size_t>(4 * (largestBlock + vectorFrames)));
}

RunningDoubler::~RunningDoubler() = default;

std::int64_t RunningDoubler::take(std::int64_t count, std::int16_t *target) noexcept
{
    m_held += std::min(count, m_largestBlock);
    const std::int64_t frames = waiting() / vectorFrames * vectorFrames;
    if (frames == 0)
        return 0;
    m_doubler.run(m_left.get(), m_right.get(), frames, target);
    m_held -= frames;
    std::copy_n(m_left.get() + frames, m_held, m_left.get());
    std::copy_n(m_right.get() + frames, m_held, m_right.get());
    return 2 * frames;
}
