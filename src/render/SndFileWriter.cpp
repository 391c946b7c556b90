#include "render/SndFileWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Bytes of sound a WAV file can hold, with room to spare for its header.
constexpr qint64 wavLimit = (qint64(1) << 32) - (qint64(1) << 16);

}

struct SndFileWriter::Io
{
    static SndFileWriter &self(void *data) { return *static_cast<SndFileWriter *>(data); }

    static sf_count_t length(void *data)
    {
        struct stat info{};
        return ::fstat(self(data).m_fd, &info) == 0 ? info.st_size : -1;
    }

    static sf_count_t seek(sf_count_t offset, int whence, void *data)
    {
        return ::lseek(self(data).m_fd, offset, whence);
    }

    static sf_count_t read(void *buffer, sf_count_t count, void *data)
    {
        const ssize_t got = ::read(self(data).m_fd, buffer, static_cast<std::size_t>(count));
        return got < 0 ? 0 : got;
    }

    static sf_count_t write(const void *buffer, sf_count_t count, void *data)
    {
        SndFileWriter &writer = self(data);
        const char *bytes = static_cast<const char *>(buffer);
        sf_count_t done = 0;
        while (done < count) {
            const ssize_t put = ::write(writer.m_fd, bytes + done, static_cast<std::size_t>(count - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (writer.m_systemError == 0)
                    writer.m_systemError = put < 0 ? errno : ENOSPC;
                break;
            }
            done += put;
        }
        return done;
    }

    static sf_count_t tell(void *data) { return ::lseek(self(data).m_fd, 0, SEEK_CUR); }
};

SndFileWriter::~SndFileWriter()
{
    abandon();
}

void SndFileWriter::abandon()
{
    // The descriptor may already be closed and its number reused: libsndfile's last
    // writes must not reach it.
    m_fd = -1;
    if (m_file)
        sf_close(m_file);
    m_file = nullptr;
}

bool SndFileWriter::open(int fileDescriptor, const RenderFormat &format, int sampleRate, qint64 frames)
{
    m_fd = fileDescriptor;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    switch (format.kind) {
    case RenderFormat::Kind::Wav:
        // Plain WAV, which every player reads, while the file stays within its 4 GB; RF64,
        // its 64-bit successor, only beyond.
        info.format = (frames * 4 < wavLimit ? SF_FORMAT_WAV : SF_FORMAT_RF64) | SF_FORMAT_PCM_16;
        break;
    case RenderFormat::Kind::Flac: info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16; break;
    case RenderFormat::Kind::OggVorbis: info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS; break;
    case RenderFormat::Kind::Opus: info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS; break;
    case RenderFormat::Kind::Mp3: info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III; break;
    }
    m_dither = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
    SF_VIRTUAL_IO io{&Io::length, &Io::seek, &Io::read, &Io::write, &Io::tell};
    m_file = sf_open_virtual(&io, SFM_WRITE, &info, this);
    if (!m_file)
        return fail(sf_strerror(nullptr));
    return applyQuality(format.kind);
}

bool SndFileWriter::applyQuality(RenderFormat::Kind kind)
{
    // libsndfile's compression level runs from 0 (best) to 1 (smallest).
    double level = -1.0;
    switch (kind) {
    case RenderFormat::Kind::Wav:
        return true;
    // Level 5 tries left/right and mid/side on every block; the masking sounds are near
    // noise, and level 4's guess between them makes files of the same size for less time.
    case RenderFormat::Kind::Flac: level = 4.0 / 8.0; break;
    case RenderFormat::Kind::OggVorbis: level = 0.4; break;
    // Opus takes 6 + 250 * (1 - level) kbit/s per channel: 80 for each side here.
    case RenderFormat::Kind::Opus: level = 1.0 - 74.0 / 250.0; break;
    case RenderFormat::Kind::Mp3: {
        int mode = SF_BITRATE_MODE_VARIABLE;
        // Its answer reflects the level set before, which comes next.
        sf_command(m_file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        level = 0.2;
        break;
    }
    }
    if (sf_command(m_file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level) != SF_TRUE)
        return fail("the encoder refused its quality setting");
    return true;
}

bool SndFileWriter::write(const float *stereo, std::size_t frames)
{
    if (!m_file)
        return fail("the file is not open");
    sf_count_t written = 0;
    if (m_dither) {
        writeDithered(stereo, frames);
        written = sf_writef_short(m_file, m_samples.data(), static_cast<sf_count_t>(frames));
    } else {
        written = sf_writef_float(m_file, stereo, static_cast<sf_count_t>(frames));
    }
    if (written != static_cast<sf_count_t>(frames) || m_systemError != 0)
        return fail(sf_strerror(m_file));
    return true;
}

bool SndFileWriter::finish()
{
    if (!m_file)
        return fail("the file is not open");
    const int error = sf_close(m_file);
    m_file = nullptr;
    if (error != 0 || m_systemError != 0)
        return fail(sf_error_number(error));
    return true;
}

bool SndFileWriter::fail(const char *libraryReason)
{
    if (m_systemError != 0)
        m_error = QString::fromLocal8Bit(std::strerror(m_systemError));
    else
        m_error = QString::fromLocal8Bit(libraryReason).trimmed();
    return false;
}

namespace {

// Triangular dither of one step: the quantisation error becomes a steady hiss 96 dB down
// instead of distortion that follows the signal in quiet passages.
inline std::int16_t dithered(float sample, std::uint32_t &noise)
{
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    // The difference of two uniform halves of one draw: triangular over -1..1 steps.
    const float dither = static_cast<float>(static_cast<int>(noise & 0xffffu) - static_cast<int>(noise >> 16)) * (1.0f / 65536.0f);
    const float scaled = std::min(std::max(sample * 32768.0f + dither, -32768.0f), 32767.0f);
    // Adding and taking away 1.5 * 2^23 rounds to the nearest step without a library call.
    constexpr float rounder = 12582912.0f;
    return static_cast<std::int16_t>((scaled + rounder) - rounder);
}

#ifdef __SSE2__
// The same four generators and rounding, a lane each, eight samples at a time. The clamp
// keeps anything far out of range from wrapping when it becomes an integer; packing to 16
// bits then saturates.
std::size_t ditherFours(const float *stereo, std::int16_t *out, std::size_t samples, std::array<std::uint32_t, 4> &state)
{
    __m128i noise = _mm_loadu_si128(reinterpret_cast<const __m128i *>(state.data()));
    const auto draw = [&noise] {
        noise = _mm_xor_si128(noise, _mm_slli_epi32(noise, 13));
        noise = _mm_xor_si128(noise, _mm_srli_epi32(noise, 17));
        noise = _mm_xor_si128(noise, _mm_slli_epi32(noise, 5));
        const __m128i difference = _mm_sub_epi32(_mm_and_si128(noise, _mm_set1_epi32(0xffff)), _mm_srli_epi32(noise, 16));
        return _mm_mul_ps(_mm_cvtepi32_ps(difference), _mm_set1_ps(1.0f / 65536.0f));
    };
    const __m128 scale = _mm_set1_ps(32768.0f);
    const auto clamped = [](__m128 value) { return _mm_min_ps(_mm_max_ps(value, _mm_set1_ps(-40000.0f)), _mm_set1_ps(40000.0f)); };
    std::size_t i = 0;
    for (; i + 8 <= samples; i += 8) {
        const __m128 first = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(stereo + i), scale), draw());
        const __m128 second = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(stereo + i + 4), scale), draw());
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                         _mm_packs_epi32(_mm_cvtps_epi32(clamped(first)), _mm_cvtps_epi32(clamped(second))));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state.data()), noise);
    return i;
}
#endif

}

void SndFileWriter::writeDithered(const float *stereo, std::size_t frames)
{
    m_samples.resize(frames * 2);
    const std::size_t samples = frames * 2;
    std::size_t i = 0;
#ifdef __SSE2__
    i = ditherFours(stereo, m_samples.data(), samples, m_noise);
#endif
    for (; i < samples; ++i)
        m_samples[i] = dithered(stereo[i], m_noise[i % m_noise.size()]);
}
