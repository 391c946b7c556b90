#include "engine/ChannelBuffer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float sampleScale = 1.0f / 32768.0f;
constexpr float fadeSeconds = 0.005f;
constexpr float glideSeconds = 0.004f;

float decibelGain(int hundredths)
{
    return std::pow(10.0f, static_cast<float>(hundredths) / 2000.0f);
}

}

ChannelBuffer::ChannelBuffer(std::unique_ptr<SoundData> sound)
    : m_sound(std::move(sound))
    , m_frequency(m_sound->sampleRate())
{
}

void ChannelBuffer::setVolume(int hundredthsOfDecibel)
{
    m_volume.store(std::clamp(hundredthsOfDecibel, minimumVolume, 0), std::memory_order_relaxed);
}

void ChannelBuffer::setPan(int hundredthsOfDecibel)
{
    m_pan.store(std::clamp(hundredthsOfDecibel, -maximumPan, maximumPan), std::memory_order_relaxed);
}

bool ChannelBuffer::setFrequency(int hertz)
{
    if (hertz < minimumFrequency || hertz > maximumFrequency)
        return false;
    m_frequency.store(hertz, std::memory_order_relaxed);
    return true;
}

void ChannelBuffer::play()
{
    m_playing.store(true, std::memory_order_relaxed);
}

void ChannelBuffer::stop()
{
    m_playing.store(false, std::memory_order_relaxed);
}

void ChannelBuffer::updateTargets() noexcept
{
    const int volume = m_volume.load(std::memory_order_relaxed);
    const int pan = m_pan.load(std::memory_order_relaxed);
    if (volume == m_seenVolume && pan == m_seenPan)
        return;
    m_seenVolume = volume;
    m_seenPan = pan;
    const float gain = decibelGain(volume) * sampleScale;
    m_targetLeft = gain * (pan > 0 ? decibelGain(-pan) : 1.0f);
    m_targetRight = gain * (pan < 0 ? decibelGain(pan) : 1.0f);
}

void ChannelBuffer::mixInto(float *out, std::size_t frames, int outputRate) noexcept
{
    const bool playing = m_playing.load(std::memory_order_relaxed);
    if (!playing && m_fade <= 0.0f)
        return;
    updateTargets();

    const float rate = static_cast<float>(outputRate);
    const float fadeStep = (playing ? 1.0f : -1.0f) / (fadeSeconds * rate);
    const float glide = 1.0f - std::exp(-1.0f / (glideSeconds * rate));
    const auto step = static_cast<std::uint64_t>(
        std::llround(static_cast<double>(m_frequency.load(std::memory_order_relaxed)) / outputRate * 4294967296.0));
    const std::uint64_t loopLength = static_cast<std::uint64_t>(m_sound->frames()) << 32;
    const std::int16_t *data = m_sound->frameData();

    float gainLeft = m_gainLeft;
    float gainRight = m_gainRight;
    float fade = m_fade;
    std::uint64_t phase = m_phase;
    for (std::size_t i = 0; i < frames; ++i) {
        fade = std::clamp(fade + fadeStep, 0.0f, 1.0f);
        gainLeft += (m_targetLeft - gainLeft) * glide;
        gainRight += (m_targetRight - gainRight) * glide;

        const std::int16_t *p = data + 2 * (phase >> 32);
        const float t = static_cast<float>(phase & 0xffffffffu) * (1.0f / 4294967296.0f);
        // Catmull-Rom weights of frames i-1, i, i+1, i+2.
        const float w0 = 0.5f * t * ((2.0f - t) * t - 1.0f);
        const float w1 = 0.5f * (t * t * (3.0f * t - 5.0f) + 2.0f);
        const float w2 = 0.5f * t * ((4.0f - 3.0f * t) * t + 1.0f);
        const float w3 = 0.5f * t * t * (t - 1.0f);
        const float left = w0 * p[-2] + w1 * p[0] + w2 * p[2] + w3 * p[4];
        const float right = w0 * p[-1] + w1 * p[1] + w2 * p[3] + w3 * p[5];
        out[2 * i] += left * gainLeft * fade;
        out[2 * i + 1] += right * gainRight * fade;

        phase += step;
        if (phase >= loopLength)
            phase %= loopLength;
        if (fade == 0.0f && !playing)
            break;
    }
    m_gainLeft = gainLeft;
    m_gainRight = gainRight;
    m_fade = fade;
    m_phase = phase;
}
