#include "usersound/LoudnessMeter.h"

#include "usersound/SoundFileReader.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr std::int64_t chunkFrames = 8192;

using State = std::unique_ptr<ebur128_state, void (*)(ebur128_state *)>;

// Adds frames first .. first + count - 1; false when the file failed.
bool addPiece(SoundFileReader &reader, ebur128_state *state, std::int64_t first, std::int64_t count,
              std::vector<float> &chunk)
{
    if (!reader.seek(first))
        return false;
    while (count > 0) {
        const std::int64_t got = reader.read(chunk.data(), std::min(count, chunkFrames));
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        ebur128_add_frames_float(state, chunk.data(), static_cast<std::size_t>(got));
        count -= got;
    }
    return true;
}

}

std::optional<LoudnessMeter::Measure> LoudnessMeter::measure(SoundFileReader &reader)
{
    const auto rate = static_cast<unsigned long>(reader.sampleRate());
    State state(ebur128_init(2, rate, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK),
                [](ebur128_state *pointer) { ebur128_destroy(&pointer); });
    if (!state)
        return std::nullopt;
    std::vector<float> chunk(2 * chunkFrames);
    const std::int64_t frames = reader.frames();
    const auto pieceFrames = static_cast<std::int64_t>(pieceSeconds * reader.sampleRate());
    if (frames <= static_cast<std::int64_t>(wholeSeconds * reader.sampleRate())) {
        // A short file plays round and round, and is measured so: a single pass may not fill
        // one of the 400 ms blocks the loudness is gated in, and would read as silence.
        const auto least = static_cast<std::int64_t>(shortestSeconds * reader.sampleRate());
        std::int64_t added = 0;
        do {
            if (!addPiece(reader, state.get(), 0, frames, chunk))
                return std::nullopt;
            added += frames;
        } while (added < least && frames > 0);
    } else {
        for (int piece = 0; piece < pieces; ++piece) {
            const std::int64_t first = (frames - pieceFrames) * piece / (pieces - 1);
            if (!addPiece(reader, state.get(), first, pieceFrames, chunk))
                return std::nullopt;
        }
    }
    Measure measure{};
    ebur128_loudness_global(state.get(), &measure.integrated);
    double left = 0.0;
    double right = 0.0;
    ebur128_sample_peak(state.get(), 0, &left);
    ebur128_sample_peak(state.get(), 1, &right);
    measure.peak = std::max(left, right);
    return measure;
}
