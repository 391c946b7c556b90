#include "usersound/LoopPlan.h"

#include "usersound/SoundFileReader.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The shortest fade worth making; a file too short for it loops whole.
constexpr std::int64_t shortestFade = 64;
// Ends whose levels differ by more than 1.5 dB would be heard to jump.
constexpr double levelRatio = 1.1885;

std::optional<std::vector<float>> readAt(SoundFileReader &reader, std::int64_t first, std::int64_t count)
{
    std::vector<float> frames(static_cast<std::size_t>(2 * count));
    if (!reader.seek(first) || reader.read(frames.data(), count) != count)
        return std::nullopt;
    return frames;
}

double largestStep(const std::vector<float> &stereo)
{
    double largest = 0.0;
    for (std::size_t i = 2; i < stereo.size(); ++i)
        largest = std::max(largest, static_cast<double>(std::fabs(stereo[i] - stereo[i - 2])));
    return largest;
}

double power(const std::vector<float> &stereo)
{
    double sum = 0.0;
    for (float sample : stereo)
        sum += static_cast<double>(sample) * sample;
    return sum / static_cast<double>(std::max<std::size_t>(1, stereo.size()));
}

bool runsOn(const std::vector<float> &tail, const std::vector<float> &head)
{
    const std::size_t last = tail.size() - 2;
    const double seam = std::max(std::fabs(head[0] - tail[last]), std::fabs(head[1] - tail[last + 1]));
    if (seam > std::max(largestStep(head), largestStep(tail)))
        return false;
    const double headPower = power(head);
    const double tailPower = power(tail);
    const double ratio = levelRatio * levelRatio;
    return headPower <= tailPower * ratio && tailPower <= headPower * ratio;
}

}

std::optional<LoopPlan> LoopPlan::plan(SoundFileReader &reader)
{
    const std::int64_t frames = reader.frames();
    const double rate = reader.sampleRate();
    const std::int64_t edge = std::min<std::int64_t>(std::max<std::int64_t>(std::llround(edgeSeconds * rate), 2), frames);
    const auto head = readAt(reader, 0, edge);
    const auto tail = readAt(reader, frames - edge, edge);
    if (!head || !tail)
        return std::nullopt;
    LoopPlan plan{0, frames, 0};
    if (runsOn(*tail, *head))
        return plan;
    const double seconds = std::clamp(frames / rate / 10.0, minimumFadeSeconds, maximumFadeSeconds);
    const std::int64_t fade = std::min<std::int64_t>(std::llround(seconds * rate), frames / 3);
    if (fade < shortestFade)
        return plan;
    plan.start = fade;
    plan.fade = fade;
    return plan;
}
