#include "synth/NoiseBed.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

std::array<NoiseTable, NoiseBed::voices> makeTables(const NoiseTable::Response &magnitude, double sampleRate,
                                                    Random &random)
{
    return {NoiseTable(magnitude, NoiseBed::tableFrames, sampleRate, random),
            NoiseTable(magnitude, NoiseBed::tableFrames, sampleRate, random),
            NoiseTable(magnitude, NoiseBed::tableFrames, sampleRate, random)};
}

// Three sine-squared windows a third apart sum to 3/2.
const float kVoiceScale = static_cast<float>(std::sqrt(2.0 / NoiseBed::voices));

}

NoiseBed::NoiseBed(const NoiseTable::Response &magnitude, double sampleRate, Random &random)
    : m_tables(makeTables(magnitude, sampleRate, random))
    , m_random(random.next())
{
    for (int v = 0; v < voices; ++v) {
        Voice &voice = m_voices[static_cast<std::size_t>(v)];
        voice.place = static_cast<std::size_t>(m_random.next() % tableFrames);
        voice.age = grainFrames * static_cast<std::size_t>(v) / voices;
    }
}

float NoiseBed::windowGain(std::size_t age) const noexcept
{
    return kVoiceScale
           * static_cast<float>(std::sin(std::numbers::pi * static_cast<double>(age) / static_cast<double>(grainFrames)));
}

void NoiseBed::addTo(float *left, float *right, std::size_t frames, float gain) noexcept
{
    for (std::size_t v = 0; v < m_voices.size(); ++v)
        addVoice(m_tables[v], m_voices[v], left, right, frames, gain);
}

void NoiseBed::addVoice(const NoiseTable &table, Voice &voice, float *left, float *right, std::size_t frames,
                        float gain) noexcept
{
    const float *sourceLeft = table.side(0);
    const float *sourceRight = table.side(1);
    std::size_t done = 0;
    while (done < frames) {
        if (voice.age == grainFrames) {
            // The window is closed here, so the voice moves without a click.
            voice.age = 0;
            voice.place = static_cast<std::size_t>(m_random.next() % tableFrames);
        }
        // A stretch that neither ends a grain nor wraps the table, over which the window's
        // gain moves in a straight line: at most rampFrames, where the line is within a
        // millionth of the sine.
        const std::size_t length = std::min({frames - done, rampFrames, grainFrames - voice.age, tableFrames - voice.place});
        const float start = gain * windowGain(voice.age);
        const float step = (gain * windowGain(voice.age + length) - start) / static_cast<float>(length);
        const float *fromLeft = sourceLeft + voice.place;
        const float *fromRight = sourceRight + voice.place;
        float *toLeft = left + done;
        float *toRight = right + done;
        for (std::size_t i = 0; i < length; ++i) {
            const float g = start + step * static_cast<float>(i);
            toLeft[i] += g * fromLeft[i];
            toRight[i] += g * fromRight[i];
        }
        done += length;
        voice.age += length;
        voice.place = (voice.place + length) % tableFrames;
    }
}
