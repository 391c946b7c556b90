#include "engine/LiveStream.h"

#include "synth/LiveSound.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr float sampleScale = DoubledSound::fullScale;

// Both sides as interleaved 16-bit frames, rounded to the nearest step and held within range.
// `frames` is a multiple of four.
void interleave(const float *left, const float *right, std::int64_t frames, std::int16_t *target) noexcept
{
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(sampleScale);
    for (std::int64_t i = 0; i < frames; i += 4) {
        const __m128i l = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(left + i), scale));
        const __m128i r = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(right + i), scale));
        // Saturating packs keep the range; unpacking pairs each left with its right.
        const __m128i packed = _mm_packs_epi32(l, r);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(target + 2 * i),
                         _mm_unpacklo_epi16(packed, _mm_unpackhi_epi64(packed, packed)));
    }
#else
    for (std::int64_t i = 0; i < frames; ++i) {
        target[2 * i] = static_cast<std::int16_t>(std::clamp(std::lrint(left[i] * sampleScale), -32768L, 32767L));
        target[2 * i + 1] = static_cast<std::int16_t>(std::clamp(std::lrint(right[i] * sampleScale), -32768L, 32767L));
    }
#endif
}

void scale(float *samples, std::size_t count) noexcept
{
    for (std::size_t i = 0; i < count; ++i)
        samples[i] *= sampleScale;
}

}

LiveStream::LiveStream(std::unique_ptr<LiveSound> sound)
    : m_sound(std::move(sound))
    , m_ring(std::make_unique<std::int16_t[]>(2 * (ringFrames + 2 * DoubledSound::margin)))
    , m_madeDoubled(m_sound->rate() == 2 * m_sound->ownRate())
{
    static_assert(ringFrames % (2 * blockFrames) == 0, "a block never wraps the ring");
    static_assert(blockFrames % 16 == 0, "the vector path writes whole blocks only");
    static_assert(RunningDoubler::historyFrames <= blockFrames);
    if (m_madeDoubled)
        return;
    // The first doubled frames look back on real sound rather than on silence; after the
    // history, every block of whole vectors comes out doubled whole.
    m_doubler = std::make_unique<RunningDoubler>(blockFrames);
    constexpr std::int64_t history = RunningDoubler::historyFrames;
    m_sound->generate(m_doubler->left(), m_doubler->right(), history);
    scale(m_doubler->left(), history);
    scale(m_doubler->right(), history);
    m_doubler->take(history);
}

LiveStream::~LiveStream() = default;

Doubler::Kernel LiveStream::doubling() const
{
    return m_madeDoubled && !m_sound->halfBandDoubled() ? Doubler::Kernel::Steep : Doubler::Kernel::HalfBand;
}

void LiveStream::fillAhead(std::int64_t position, std::int64_t reach) noexcept
{
    m_read += (position - m_position + ringFrames) % ringFrames;
    m_position = position;
    if (m_made >= m_read + reach)
        return;
    const std::int64_t target = m_read + std::max(reach, batchFrames);
    while (m_made < target) {
        if (m_madeDoubled)
            makeDoubledBlock();
        else
            makeBlock();
    }
}

void LiveStream::makeDoubledBlock() noexcept
{
    constexpr std::int64_t frames = 2 * blockFrames;
    const std::int64_t frame = m_made % ringFrames;
    if (!m_sound->generateSamples(slot(frame), frames)) {
        m_sound->generate(m_left.data(), m_right.data(), frames);
        interleave(m_left.data(), m_right.data(), frames, slot(frame));
    }
    mirror(frame);
    m_made += frames;
}

void LiveStream::makeBlock() noexcept
{
    float *left = m_doubler->left();
    float *right = m_doubler->right();
    m_sound->generate(left, right, blockFrames);
    scale(left, blockFrames);
    scale(right, blockFrames);
    const std::int64_t frame = m_made % ringFrames;
    m_doubler->take(blockFrames, slot(frame));
    mirror(frame);
    m_made += 2 * blockFrames;
}

std::int16_t *LiveStream::slot(std::int64_t frame) noexcept
{
    return m_ring.get() + 2 * (DoubledSound::margin + frame);
}

// Frames within a margin of either end of the ring are also written to the margin beyond
// the other end, where a reader's window that crosses the end finds them.
void LiveStream::mirror(std::int64_t frame) noexcept
{
    constexpr std::int64_t count = 2 * blockFrames;
    const std::int16_t *made = slot(frame);
    if (frame < DoubledSound::margin)
        std::copy_n(made, 2 * std::min(count, DoubledSound::margin - frame), slot(frame + ringFrames));
    const std::int64_t tail = std::max(frame, ringFrames - DoubledSound::margin);
    if (tail < frame + count)
        std::copy_n(slot(tail), 2 * (frame + count - tail), slot(tail - ringFrames));
}
