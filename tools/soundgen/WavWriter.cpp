#include "WavWriter.h"

#include "synth/Random.h"
#include "StereoLoop.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

std::vector<short> quantise(const StereoLoop &loop, Random &random)
{
    std::vector<short> frames(2 * StereoLoop::kFrames);
    for (std::size_t i = 0; i < StereoLoop::kFrames; ++i) {
        for (int index = 0; index < 2; ++index) {
            // Two draws in separate statements: the order of operands is unspecified.
            const double first = random.uniform();
            const double dither = first - random.uniform();
            const double value = std::round(loop.channel(index)[i] * 32767.0 + dither);
            frames[2 * i + index] = static_cast<short>(std::clamp(value, -32768.0, 32767.0));
        }
    }
    return frames;
}

}

bool WavWriter::write(const StereoLoop &loop, const std::string &path, std::uint64_t ditherSeed)
{
    Random random(ditherSeed);
    const std::vector<short> frames = quantise(loop, random);
    SF_INFO info{};
    info.samplerate = static_cast<int>(StereoLoop::kSampleRate);
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const sf_count_t written = sf_writef_short(file, frames.data(), static_cast<sf_count_t>(StereoLoop::kFrames));
    const bool closed = sf_close(file) == 0;
    return written == static_cast<sf_count_t>(StereoLoop::kFrames) && closed;
}
