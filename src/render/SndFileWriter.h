#pragma once

#include "render/SoundFileWriter.h"

#include <array>
#include <cstdint>
#include <vector>

struct sf_private_tag;

// Writes through libsndfile, into the descriptor by its own reads, writes and seeks, so
// that a failing write reports the system's reason (a full disk, a quota) whatever the
// format. 16-bit formats get triangular dither.
class SndFileWriter final : public SoundFileWriter
{
public:
    SndFileWriter() = default;
    ~SndFileWriter() override;
    SndFileWriter(const SndFileWriter &) = delete;
    SndFileWriter &operator=(const SndFileWriter &) = delete;

    bool open(int fileDescriptor, const RenderFormat &format, int sampleRate, qint64 frames) override;
    bool write(const float *stereo, std::size_t frames) override;
    bool finish() override;
    void abandon() override;
    QString errorString() const override { return m_error; }

    // Called by libsndfile's I/O callbacks.
    struct Io;

private:
    bool applyQuality(RenderFormat::Kind kind);
    bool fail(const char *libraryReason);
    void writeDithered(const float *stereo, std::size_t frames);

    int m_fd = -1;
    int m_systemError = 0;
    sf_private_tag *m_file = nullptr;
    bool m_dither = false;
    // Four generators side by side, so that no draw waits on the one before.
    std::array<std::uint32_t, 4> m_noise{0x9e3779b9u, 0x7f4a7c15u, 0x85ebca6bu, 0xc2b2ae35u};
    std::vector<std::int16_t> m_samples;
    QString m_error;
};
