#include "LiveLoop.h"

#include "StereoLoop.h"

#include "synth/HalfRate.h"
#include "synth/LiveSound.h"

#include <cmath>
#include <numbers>
#include <vector>

StereoLoop LiveLoop::record(LiveSound &sound)
{
    const auto blend = static_cast<std::size_t>(kBlendSeconds * StereoLoop::kSampleRate);
    // A sound made at twice its rate is brought down to it; its spare frames at the end
    // keep the filter's edge out of the loop.
    const bool doubled = sound.rate() == LiveSound::doubledRate;
    const std::size_t made = doubled ? 2 * (StereoLoop::kFrames + 2 * blend) : StereoLoop::kFrames + blend;
    std::vector<float> left(made);
    std::vector<float> right(made);
    constexpr std::size_t block = 4096;
    for (std::size_t first = 0; first < made; first += block) {
        const std::size_t count = std::min(block, made - first);
        sound.generate(left.data() + first, right.data() + first, count);
    }
    if (doubled) {
        left = HalfRate::halve(left);
        right = HalfRate::halve(right);
    }
    // The frames after the loop's end continue it, so the loop starts with them and turns
    // into its own beginning; the two are independent, so equal power keeps the level.
    StereoLoop loop;
    for (std::size_t i = 0; i < StereoLoop::kFrames; ++i) {
        double outgoing = 0.0;
        double incoming = 1.0;
        if (i < blend) {
            const double angle = std::numbers::pi / 2.0 * (static_cast<double>(i) + 0.5) / static_cast<double>(blend);
            outgoing = std::cos(angle);
            incoming = std::sin(angle);
        }
        const std::size_t tail = StereoLoop::kFrames + i;
        loop.left()[i] = static_cast<float>(incoming * left[i] + (i < blend ? outgoing * left[tail] : 0.0));
        loop.right()[i] = static_cast<float>(incoming * right[i] + (i < blend ? outgoing * right[tail] : 0.0));
    }
    return loop;
}
