#include "engine/ChannelBuffer.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// Catmull-Rom interpolation of frames i-1..i+2 around `p` at fraction `t`, both sides.
inline void interpolate(const std::int16_t *p, float t, float &left, float &right)
{
    const float w0 = 0.5f * t * ((2.0f - t) * t - 1.0f);
    const float w1 = 0.5f * (t * t * (3.0f * t - 5.0f) + 2.0f);
    const float w2 = 0.5f * t * ((4.0f - 3.0f * t) * t + 1.0f);
    const float w3 = 0.5f * t * t * (t - 1.0f);
    left = w0 * p[-2] + w1 * p[0] + w2 * p[2] + w3 * p[4];
    right = w0 * p[-1] + w1 * p[1] + w2 * p[3] + w3 * p[5];
}

constexpr float fractionScale = 1.0f / 4294967296.0f;

// Adds one interpolated, scaled frame to `out`. With SSE2 the four source frames are
// converted and weighted together, left and right side by side.
inline void accumulate(const std::int16_t *p, float t, float gainLeft, float gainRight, float *out)
{
#if defined(__SSE2__)
    // The four Catmull-Rom weights as one cubic in t, evaluated side by side.
    const __m128 tt = _mm_set1_ps(t);
    __m128 weights = _mm_add_ps(_mm_mul_ps(_mm_setr_ps(-0.5f, 1.5f, -1.5f, 0.5f), tt), _mm_setr_ps(1.0f, -2.5f, 2.0f, -0.5f));
    weights = _mm_add_ps(_mm_mul_ps(weights, tt), _mm_setr_ps(-0.5f, 0.0f, 0.5f, 0.0f));
    weights = _mm_add_ps(_mm_mul_ps(weights, tt), _mm_setr_ps(0.0f, 1.0f, 0.0f, 0.0f));
    const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p - 2));
    const __m128 early = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(raw, raw), 16));
    const __m128 late = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(raw, raw), 16));
    const __m128 sum = _mm_add_ps(_mm_mul_ps(early, _mm_unpacklo_ps(weights, weights)),
                                  _mm_mul_ps(late, _mm_unpackhi_ps(weights, weights)));
    const __m128 frame = _mm_add_ps(sum, _mm_movehl_ps(sum, sum));
    const __m128 scaled = _mm_mul_ps(frame, _mm_setr_ps(gainLeft, gainRight, 0.0f, 0.0f));
    __m128 target = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double *>(out)));
    target = _mm_add_ps(target, scaled);
    _mm_store_sd(reinterpret_cast<double *>(out), _mm_castps_pd(target));
#else
    float left;
    float right;
    interpolate(p, t, left, right);
    out[0] += left * gainLeft;
    out[1] += right * gainRight;
#endif
}

}

void ChannelBuffer::mixInto(float *out, std::size_t frames, int outputRate) noexcept
{
    const bool playing = m_playing.load(std::memory_order_relaxed);
    if (!playing && m_fade <= 0.0f)
        return;
    updateTargets();

    const auto step = static_cast<std::uint64_t>(
        std::llround(static_cast<double>(m_frequency.load(std::memory_order_relaxed)) / outputRate * 4294967296.0));
    const std::uint64_t loopLength = static_cast<std::uint64_t>(m_sound->frames()) << 32;
    const std::int16_t *data = m_sound->frameData();
    std::uint64_t phase = m_phase;

    const bool steady = playing && m_fade == 1.0f && m_gainLeft == m_targetLeft && m_gainRight == m_targetRight;
    if (steady) {
        // The common case: nothing moves, so the loop is interpolation and two multiplies.
        const float gainLeft = m_gainLeft;
        const float gainRight = m_gainRight;
        for (std::size_t i = 0; i < frames; ++i) {
            accumulate(data + 2 * (phase >> 32), static_cast<float>(static_cast<std::uint32_t>(phase)) * fractionScale,
                       gainLeft, gainRight, out + 2 * i);
            phase += step;
            if (phase >= loopLength)
                phase %= loopLength;
        }
        m_phase = phase;
        return;
    }

    const float rate = static_cast<float>(outputRate);
    const float fadeStep = (playing ? 1.0f : -1.0f) / (fadeSeconds * rate);
    const float glide = 1.0f - std::exp(-1.0f / (glideSeconds * rate));
    const float targetLeft = m_targetLeft;
    const float targetRight = m_targetRight;
    float gainLeft = m_gainLeft;
    float gainRight = m_gainRight;
    float fade = m_fade;
    for (std::size_t i = 0; i < frames; ++i) {
        fade = std::clamp(fade + fadeStep, 0.0f, 1.0f);
        gainLeft += (targetLeft - gainLeft) * glide;
        gainRight += (targetRight - gainRight) * glide;
        float left;
        float right;
        interpolate(data + 2 * (phase >> 32), static_cast<float>(phase & 0xffffffffu) * fractionScale, left, right);
        out[2 * i] += left * gainLeft * fade;
        out[2 * i + 1] += right * gainRight * fade;
        phase += step;
        if (phase >= loopLength)
            phase %= loopLength;
        if (fade == 0.0f && !playing)
            break;
    }
    // Once the glide is within a hair of its target it lands there, so the next block
    // takes the steady path.
    if (std::fabs(gainLeft - targetLeft) <= 1e-4f * targetLeft + 1e-9f)
        gainLeft = targetLeft;
    if (std::fabs(gainRight - targetRight) <= 1e-4f * targetRight + 1e-9f)
        gainRight = targetRight;
    m_gainLeft = gainLeft;
    m_gainRight = gainRight;
    m_fade = fade;
    m_phase = phase;
}
