#pragma once

#include <QString>

#include <array>
#include <optional>

// The kinds of sound file a mix renders to, with the quality each is written at.
struct RenderFormat
{
    enum class Kind { Wav, Flac, OggVorbis, Opus, Mp3 };

    Kind kind;
    const char *name;      // "FLAC"
    const char *extension; // "flac", without the dot
    // How the file is encoded, for the user: "16-bit, lossless, compression level 4".
    const char *quality;
    // The one rate the format is written at, or 0 when it takes the render's rate.
    int fixedRate;

    static const std::array<RenderFormat, 5> &all();
    static const RenderFormat &of(Kind kind);
    // The format named by `path`'s extension (letter case ignored; "ogg" and "oga" are
    // Vorbis), or nothing.
    static std::optional<RenderFormat> forPath(const QString &path);
    // "wav, flac, ogg, opus, mp3"
    static QString extensionList();
};
