#include "render/RenderFormat.h"

#include <QFileInfo>
#include <QStringList>

const std::array<RenderFormat, 5> &RenderFormat::all()
{
    // Integer formats are 16-bit with dither: the masking sounds have no detail below it,
    // and the files stay a third smaller than at 24 bits.
    static const std::array<RenderFormat, 5> formats{{
        {Kind::Wav, "WAV", "wav", "16-bit PCM, uncompressed (RF64 beyond 4 GB)", 0},
        {Kind::Flac, "FLAC", "flac", "16-bit, lossless, compression level 4", 0},
        {Kind::OggVorbis, "Ogg Vorbis", "ogg", "Vorbis quality 6, about 190 kbit/s", 0},
        {Kind::Opus, "Opus", "opus", "about 160 kbit/s; Opus is always 48000 Hz", 48000},
        {Kind::Mp3, "MP3", "mp3", "LAME variable bit rate V2, about 190 kbit/s", 0},
    }};
    return formats;
}

const RenderFormat &RenderFormat::of(Kind kind)
{
    for (const RenderFormat &format : all()) {
        if (format.kind == kind)
            return format;
    }
    return all().front();
}

std::optional<RenderFormat> RenderFormat::forPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("oga"))
        return of(Kind::OggVorbis);
    for (const RenderFormat &format : all()) {
        if (suffix == QLatin1String(format.extension))
            return format;
    }
    return std::nullopt;
}

QString RenderFormat::extensionList()
{
    QStringList extensions;
    for (const RenderFormat &format : all())
        extensions << QString::fromLatin1(format.extension);
    return extensions.join(QStringLiteral(", "));
}
