#include "synth/NoiseBed.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

float windowGain(std::size_t age) noexcept
{
    constexpr std::size_t framesPerPoint = NoiseBed::grainFrames / kWindowPoints;
    const std::array<float, kWindowPoints + 1> &table = windowTable();
    const std::size_t point = std::min(age / framesPerPoint, kWindowPoints - 1);
    const float t = static_cast<float>(age - point * framesPerPoint) / static_cast<float>(framesPerPoint);
    return table[point] + t * (table[point + 1] - table[point]);
}

}

NoiseBed::NoiseBed(const NoiseTable::Response &magnitude, double sampleRate, Random &random)
    : m_random(0)
{
    static_assert(grainFrames % kWindowPoints == 0);
    for (Table &table : m_tables)
        table = quantised(NoiseTable(magnitude, tableFrames, sampleRate, random));
    m_random = Random(random.next());
    for (int v = 0; v < voices; ++v) {
        Voice &voice = m_voices[static_cast<std::size_t>(v)];
        voice.place = static_cast<std::size_t>(m_random.next() % tableFrames);
        voice.age = grainFrames * static_cast<std::size_t>(v) / voices;
    }
}

NoiseBed::Table NoiseBed::quantised(const NoiseTable &table)
{
    Table result{std::make_unique_for_overwrite<std::int16_t[]>(tableFrames),
                 std::make_unique_for_overwrite<std::int16_t[]>(tableFrames)};
    for (int side = 0; side < 2; ++side) {
        std::int16_t *target = side == 0 ? result.left.get() : result.right.get();
        const float *source = table.side(side);
        for (std::size_t i = 0; i < tableFrames; ++i)
            target[i] = static_cast<std::int16_t>(std::clamp(std::lrint(source[i] * kTableScale), -32767L, 32767L));
    }
    return result;
}

void NoiseBed::addTo(float *left, float *right, std::size_t frames, float gain) noexcept
{
    for (std::size_t v = 0; v < m_voices.size(); ++v)
        addVoice(m_tables[v], m_voices[v], left, right, frames, gain * kVoiceScale);
}

void NoiseBed::addVoice(const Table &table, Voice &voice, float *left, float *right, std::size_t frames,
                        float gain) noexcept
{
    std::size_t done = 0;
    while (done < frames) {
        if (voice.age == grainFrames) {
            // The window is closed here, so the voice moves without a click.
            voice.age = 0;
            voice.place = static_cast<std::size_t>(m_random.next() % tableFrames);
        }
        // A stretch that neither ends a grain nor wraps the table, over which the window's
        // gain moves in a straight line.
        const std::size_t length = std::min({frames - done, rampFrames, grainFrames - voice.age, tableFrames - voice.place});
        const float start = gain * windowGain(voice.age);
        const float step = (gain * windowGain(voice.age + length) - start) / static_cast<float>(length);
        const std::int16_t *fromLeft = table.left.get() + voice.place;
        const std::int16_t *fromRight = table.right.get() + voice.place;
        float *toLeft = left + done;
        float *toRight = right + done;
        for (std::size_t i = 0; i < length; ++i) {
            const float g = start + step * static_cast<float>(i);
            toLeft[i] += g * static_cast<float>(fromLeft[i]);
            toRight[i] += g * static_cast<float>(fromRight[i]);
        }
        done += length;
        voice.age += length;
        voice.place = (voice.place + length) % tableFrames;
    }
}
