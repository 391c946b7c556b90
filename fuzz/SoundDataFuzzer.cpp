#include "engine/SoundData.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}

// Any bytes as a channel's sound file, through libsndfile's virtual I/O with the loader's
// checks: no crash, no allocation beyond what the bytes can hold, and a sound that loads
// has a usable rate and length, and a doubled copy with its loop's neighbours in place
// (made for sounds short enough to keep each run quick).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString error;
    const std::unique_ptr<SoundData> sound =
        SoundData::fromEncoded(QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)), &error);
    if (!sound) {
        check(!error.isEmpty());
        return 0;
    }
    check(sound->sampleRate() > 0 && sound->sampleRate() <= SoundData::maxSampleRate);
    check(sound->frames() > 0 && sound->frames() <= SoundData::maxFrames);
    check(sound->frames() <= size * std::size_t(SoundData::maxSamplesPerByte));
    if (sound->frames() > 65536)
        return 0;
    const DoubledSound &doubled = sound->doubled();
    check(doubled.frames() == 2 * static_cast<std::int64_t>(sound->frames()));
    const std::int16_t *copy = doubled.frameData();
    const std::int64_t end = doubled.frames();
    check(copy[-2] == copy[2 * (end - 1)] && copy[-1] == copy[2 * (end - 1) + 1]);
    check(copy[2 * end] == copy[0] && copy[2 * end + 1] == copy[1]);
    return 0;
}
