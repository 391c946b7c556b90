#include "engine/ChannelBuffer.h"

#include "engine/LiveStream.h"
#include "synth/LiveSound.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float sampleScale = 1.0f / 32768.0f;
constexpr float fadeSeconds = 0.005f;
constexpr float glideSeconds = 0.004f;

float decibelGain(float hundredths)
{
    return std::pow(10.0f, hundredths / 2000.0f);
}

}

ChannelBuffer::ChannelBuffer(std::unique_ptr<SoundData> sound)
    : ChannelBuffer(std::shared_ptr<const SoundData>(std::move(sound)))
{
}

ChannelBuffer::ChannelBuffer(std::shared_ptr<const SoundData> sound)
    : ChannelBuffer(ChannelSound::stored(std::move(sound)), 0)
{
}

ChannelBuffer::ChannelBuffer(std::shared_ptr<const ChannelSound> sound, std::uint64_t seed)
    : m_sound(std::move(sound))
    , m_seed(seed)
    , m_rateRatio(m_sound->rateRatio())
    , m_frequency(m_sound->sampleRate())
{
}

ChannelBuffer::~ChannelBuffer() = default;

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

void ChannelBuffer::setTrim(int hundredthsOfDecibel)
{
    m_trim.store(std::clamp(hundredthsOfDecibel, minimumVolume, 0), std::memory_order_relaxed);
}

void ChannelBuffer::setDrift(float volumeOffset, float panOffset) noexcept
{
    // A drift moves less than half a decibel a second; taking it in steps of a twentieth of
    // a decibel, which the gain glide smooths, keeps the buffer on its steady path between them.
    constexpr float driftStep = 5.0f;
    if (std::fabs(volumeOffset - m_driftVolume) >= driftStep || (volumeOffset == 0.0f) != (m_driftVolume == 0.0f))
        m_driftVolume = volumeOffset;
    if (std::fabs(panOffset - m_driftPan) >= driftStep || (panOffset == 0.0f) != (m_driftPan == 0.0f))
        m_driftPan = panOffset;
}

void ChannelBuffer::prepare()
{
    if (m_resampler.hasSource())
        return;
    if (const SoundData *stored = m_sound->stored()) {
        const DoubledSound &doubled = stored->doubled();
        m_resampler.setSource(doubled.frameData(), doubled.frames());
        return;
    }
    m_live = std::make_unique<LiveStream>(m_sound->makeLive(m_seed, m_offline));
    m_resampler.setSource(m_live->frameData(), m_live->frames(), m_live->doubling());
}

void ChannelBuffer::play()
{
    // The release publishes the prepared resampler to the audio thread, which reads it only
    // once it sees the buffer playing.
    prepare();
    m_playing.store(true, std::memory_order_release);
}

void ChannelBuffer::stop()
{
    m_playing.store(false, std::memory_order_relaxed);
}

void ChannelBuffer::updateTargets() noexcept
{
    const float volume = static_cast<float>(m_volume.load(std::memory_order_relaxed) + m_trim.load(std::memory_order_relaxed))
        + m_driftVolume;
    const float pan = static_cast<float>(m_pan.load(std::memory_order_relaxed)) + m_driftPan;
    if (volume == m_seenVolume && pan == m_seenPan)
        return;
    m_seenVolume = volume;
    m_seenPan = pan;
    const float gain = decibelGain(volume) * sampleScale;
    m_targetLeft = gain * (pan > 0.0f ? decibelGain(-pan) : 1.0f);
    m_targetRight = gain * (pan < 0.0f ? decibelGain(pan) : 1.0f);
}

void ChannelBuffer::markSilent(bool silent) noexcept
{
    if (silent != m_silentSeen) {
        m_silentSeen = silent;
        m_silent.store(silent, std::memory_order_release);
    }
}

void ChannelBuffer::mixInto(float *out, std::size_t frames, int outputRate) noexcept
{
    const bool playing = m_playing.load(std::memory_order_acquire);
    if (!playing && m_fade <= 0.0f) {
        markSilent(true);
        return;
    }
    // A silent buffer takes a new rate at once; an audible one glides to it.
    m_resampler.setRate(m_frequency.load(std::memory_order_relaxed) * m_rateRatio, outputRate, !m_silentSeen);
    markSilent(false);
    updateTargets();

    const float fadeFrames = fadeSeconds * static_cast<float>(outputRate);
    while (frames > 0) {
        std::size_t chunk = std::min(frames, chunkFrames);
        // A fade-out reads no further than its end, so the next play resumes from there.
        if (!playing)
            chunk = std::min(chunk, std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(m_fade * fadeFrames))));
        chunk = makeReadable(chunk);
        const bool steady = playing && m_fade == 1.0f && m_gainLeft == m_targetLeft && m_gainRight == m_targetRight;
        if (steady) {
            m_resampler.addTo(out, chunk, m_gainLeft, m_gainRight);
        } else {
            m_resampler.read(m_scratch, chunk);
            addMoving(m_scratch, out, chunk, playing, outputRate);
        }
        out += 2 * chunk;
        frames -= chunk;
        if (!playing && m_fade <= 0.0f) {
            markSilent(true);
            break;
        }
    }
}

// A read of a live sound never reaches more than a quarter of its ring ahead, and the sound is
// made at most half a ring and a block past the reader, so that what the reader still needs
// behind it is never overwritten.
std::size_t ChannelBuffer::makeReadable(std::size_t frames) noexcept
{
    if (!m_live)
        return frames;
    constexpr std::int64_t most = LiveStream::ringFrames / 4;
    while (frames > 1 && m_resampler.reach(frames) > most)
        frames /= 2;
    m_live->fillAhead(m_resampler.position(), m_resampler.reach(frames));
    return frames;
}

void ChannelBuffer::addMoving(const float *source, float *out, std::size_t frames, bool playing, int outputRate) noexcept
{
    const float rate = static_cast<float>(outputRate);
    const float fadeStep = (playing ? 1.0f : -1.0f) / (fadeSeconds * rate);
    const float glide = 1.0f - std::exp(-1.0f / (glideSeconds * rate));
    const float targetLeft = m_targetLeft;
    const float targetRight = m_targetRight;
    const float decay = 1.0f - glide;
    // Each gain approaches its target by a fixed share a frame, so what is left of the way
    // shrinks by one multiplication: a short chain from frame to frame.
    float leftToGo = m_gainLeft - targetLeft;
    float rightToGo = m_gainRight - targetRight;
    float fade = m_fade;
    if (playing && fade == 1.0f) {
        for (std::size_t i = 0; i < frames; ++i) {
            leftToGo *= decay;
            rightToGo *= decay;
            out[2 * i] += source[2 * i] * (targetLeft + leftToGo);
            out[2 * i + 1] += source[2 * i + 1] * (targetRight + rightToGo);
        }
    } else {
        for (std::size_t i = 0; i < frames; ++i) {
            fade = std::clamp(fade + fadeStep, 0.0f, 1.0f);
            leftToGo *= decay;
            rightToGo *= decay;
            out[2 * i] += source[2 * i] * (targetLeft + leftToGo) * fade;
            out[2 * i + 1] += source[2 * i + 1] * (targetRight + rightToGo) * fade;
        }
    }
    float gainLeft = targetLeft + leftToGo;
    float gainRight = targetRight + rightToGo;
    // Once the glide is within a hair of its target it lands there, so the next chunk
    // takes the steady path.
    if (std::fabs(gainLeft - targetLeft) <= 1e-4f * targetLeft + 1e-9f)
        gainLeft = targetLeft;
    if (std::fabs(gainRight - targetRight) <= 1e-4f * targetRight + 1e-9f)
        gainRight = targetRight;
    m_gainLeft = gainLeft;
    m_gainRight = gainRight;
    m_fade = fade;
}
