#include "synth/NoiseBed.h"

#include "synth/LiveSound.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// A table side of RMS 1 is held at this many steps of 16 bits: its peaks, some five times its
// RMS, stay far from the ends of the range.
constexpr float kTableScale = 4096.0f;
// Three sine-squared windows a third apart sum to 3/2.
const float kVoiceScale = static_cast<float>(std::sqrt(2.0 / NoiseBed::voices)) / kTableScale;

// The sine window over one grain, tabulated finely enough that straight lines between its
// points are within a millionth of it.
constexpr std::size_t kWindowPoints = 4096;

const std::array<float, kWindowPoints + 1> &windowTable()
{
    static const auto table = [] {
        std::array<float, kWindowPoints + 1> values{};
        for (std::size_t i = 0; i <= kWindowPoints; ++i)
            values[i] = static_cast<float>(std::sin(std::numbers::pi * static_cast<double>(i) / kWindowPoints));
        return values;
    }();
    return table;
}

}

std::size_t NoiseBed::tableFrames(double sampleRate)
{
    return sampleRate > LiveSound::sampleRate ? std::size_t{1} << 17 : std::size_t{1} << 16;
}

float NoiseBed::windowGain(std::size_t age) const noexcept
{
    const std::array<float, kWindowPoints + 1> &table = windowTable();
    const std::size_t point = std::min(age >> m_pointShift, kWindowPoints - 1);
    const float t = static_cast<float>(age - (point << m_pointShift)) * m_pointScale;
    return table[point] + t * (table[point + 1] - table[point]);
}

NoiseBed::NoiseBed(const NoiseTable::Response &magnitude, double sampleRate, Random &random)
    : m_tableFrames(tableFrames(sampleRate))
    , m_grainFrames(grainFrames(sampleRate))
    , m_pointShift(std::countr_zero(m_grainFrames / kWindowPoints))
    , m_pointScale(1.0f / static_cast<float>(m_grainFrames / kWindowPoints))
    , m_random(0)
{
    const NoiseTable::Bins bins = NoiseTable::binsOf(magnitude, m_tableFrames, sampleRate);
    for (Table &table : m_tables)
        table = quantised(NoiseTable(bins, random));
    m_random = Random(random.next());
    for (int v = 0; v < voices; ++v) {
        Voice &voice = m_voices[static_cast<std::size_t>(v)];
        voice.place = static_cast<std::size_t>(m_random.next() % (m_tableFrames / placeFrames)) * placeFrames;
        // A third of a grain apart, to the frame: grains so short would swell and fade by a few
        // per cent with each if they were a stretch out of step.
        voice.age = m_grainFrames * static_cast<std::size_t>(v) / voices;
    }
}

NoiseBed::Table NoiseBed::quantised(const NoiseTable &table) const
{
    Table result{std::make_unique_for_overwrite<std::int16_t[]>(m_tableFrames),
                 std::make_unique_for_overwrite<std::int16_t[]>(m_tableFrames)};
    for (int side = 0; side < 2; ++side) {
        std::int16_t *target = side == 0 ? result.left.get() : result.right.get();
        const float *source = table.side(side);
        for (std::size_t i = 0; i < m_tableFrames; ++i)
            target[i] = static_cast<std::int16_t>(std::clamp(std::lrint(source[i] * kTableScale), -32767L, 32767L));
    }
    return result;
}

void NoiseBed::addTo(float *left, float *right, std::size_t frames, float gain) noexcept
{
    const float scale = gain * kVoiceScale;
    std::size_t done = 0;
    while (done < frames) {
        for (Voice &voice : m_voices) {
            if (voice.age == m_grainFrames) {
                // The window is closed here, so the voice moves without a click.
                voice.age = 0;
                voice.place = static_cast<std::size_t>(m_random.next() & (m_tableFrames / placeFrames - 1)) * placeFrames;
            }
        }
        // Stretches keep in step with the first voice's grains, and end early where another
        // voice's grain ends or a voice wraps its table.
        std::size_t length = std::min(frames - done, rampFrames - m_voices[0].age % rampFrames);
        for (const Voice &voice : m_voices)
            length = std::min({length, m_grainFrames - voice.age, m_tableFrames - voice.place});
        Stretch stretch{};
        for (std::size_t v = 0; v < m_voices.size(); ++v) {
            Voice &voice = m_voices[v];
            stretch.left[v] = m_tables[v].left.get() + voice.place;
            stretch.right[v] = m_tables[v].right.get() + voice.place;
            stretch.start[v] = scale * windowGain(voice.age);
            stretch.step[v] = (scale * windowGain(voice.age + length) - stretch.start[v]) / static_cast<float>(length);
            voice.age += length;
            voice.place = (voice.place + length) & (m_tableFrames - 1);
        }
        addStretch(stretch, left + done, right + done, length);
        done += length;
    }
}

// Over a stretch each window's gain moves in a straight line. A stretch of the usual length is
// known to the compiler, which then turns the loop into vector operations.
namespace {

#if defined(__x86_64__)
// Eight 16-bit samples from `source` as two vectors of four floats.
inline void widen(const std::int16_t *source, __m128 &low, __m128 &high) noexcept
{
    const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source));
    low = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(samples, samples), 16));
    high = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(samples, samples), 16));
}

// One side of a stretch, eight frames at a time: the compiler does not widen 16-bit samples in
// vectors on its own with the instructions every x86-64 processor has.
using Voices = std::array<float, NoiseBed::voices>;

void addSide(const std::array<const std::int16_t *, NoiseBed::voices> &sources, const Voices &start, const Voices &step,
             float *target, std::size_t count) noexcept
{
    const __m128 ramp = _mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f);
    for (std::size_t i = 0; i < count; i += 8) {
        __m128 low = _mm_loadu_ps(target + i);
        __m128 high = _mm_loadu_ps(target + i + 4);
        const __m128 at = _mm_add_ps(_mm_set1_ps(static_cast<float>(i)), ramp);
        for (std::size_t v = 0; v < NoiseBed::voices; ++v) {
            const __m128 gainLow = _mm_add_ps(_mm_set1_ps(start[v]), _mm_mul_ps(_mm_set1_ps(step[v]), at));
            const __m128 gainHigh = _mm_add_ps(gainLow, _mm_set1_ps(4.0f * step[v]));
            __m128 sampleLow;
            __m128 sampleHigh;
            widen(sources[v] + i, sampleLow, sampleHigh);
            low = _mm_add_ps(low, _mm_mul_ps(gainLow, sampleLow));
            high = _mm_add_ps(high, _mm_mul_ps(gainHigh, sampleHigh));
        }
        _mm_storeu_ps(target + i, low);
        _mm_storeu_ps(target + i + 4, high);
    }
}

// The same with eight frames to a vector: widening and each multiply-add take one instruction,
// which halves the bed's cost where the processor has them.
__attribute__((target("avx2,fma"))) void addSideAvx2(const std::array<const std::int16_t *, NoiseBed::voices> &sources,
                                                     const Voices &start, const Voices &step, float *target,
                                                     std::size_t count) noexcept
{
    const __m256 ramp = _mm256_setr_ps(0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f);
    __m256 gain[NoiseBed::voices];
    __m256 stride[NoiseBed::voices];
    for (std::size_t v = 0; v < NoiseBed::voices; ++v) {
        gain[v] = _mm256_fmadd_ps(_mm256_set1_ps(step[v]), ramp, _mm256_set1_ps(start[v]));
        stride[v] = _mm256_set1_ps(8.0f * step[v]);
    }
    for (std::size_t i = 0; i < count; i += 8) {
        __m256 sum = _mm256_loadu_ps(target + i);
        for (std::size_t v = 0; v < NoiseBed::voices; ++v) {
            const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i *>(sources[v] + i));
            sum = _mm256_fmadd_ps(gain[v], _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(samples)), sum);
            gain[v] = _mm256_add_ps(gain[v], stride[v]);
        }
        _mm256_storeu_ps(target + i, sum);
    }
}

bool hasAvx2() noexcept
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}
#endif

}

// Over a stretch each window's gain moves in a straight line.
void NoiseBed::addStretch(const Stretch &stretch, float *left, float *right, std::size_t frames) noexcept
{
    std::size_t done = 0;
#if defined(__x86_64__)
    done = frames / 8 * 8;
    if (hasAvx2()) {
        addSideAvx2(stretch.left, stretch.start, stretch.step, left, done);
        addSideAvx2(stretch.right, stretch.start, stretch.step, right, done);
    } else {
        addSide(stretch.left, stretch.start, stretch.step, left, done);
        addSide(stretch.right, stretch.start, stretch.step, right, done);
    }
#endif
    for (std::size_t i = done; i < frames; ++i) {
        const auto at = static_cast<float>(i);
        for (std::size_t v = 0; v < voices; ++v) {
            const float g = stretch.start[v] + stretch.step[v] * at;
            left[i] += g * static_cast<float>(stretch.left[v][i]);
            right[i] += g * static_cast<float>(stretch.right[v][i]);
        }
    }
}
