#include "ConsoleRig.h"

#include "TestSounds.h"

#include <algorithm>
#include <cmath>

ConsoleRig::ConsoleRig(Sounds sounds)
{
    constexpr int soundRate = 44100;
    m_ready = TestSounds::writeChannelSounds(m_dir.path(), [](int) { return soundRate; })
        && (sounds == Sounds::Sines || TestSounds::writeChannelNoises(m_dir.path(), soundRate))
        && m_engine.initialise() && m_engine.loadChannelSounds(m_dir.path()).isEmpty();
    m_controls.dofilllabels();
}

std::vector<float> ConsoleRig::render(double seconds, std::size_t blockFrames)
{
    const auto frames = static_cast<std::size_t>(std::lround(seconds * outputRate));
    std::vector<float> out(2 * frames);
    for (std::size_t done = 0; done < frames; done += blockFrames)
        m_output.renderInto(out.data() + 2 * done, std::min(blockFrames, frames - done));
    return out;
}

double ConsoleRig::levelDb(const std::vector<float> &stereo, std::size_t first, std::size_t frames)
{
    return TestSounds::toDecibels(std::max(1e-9, TestSounds::rms(stereo, 0, first, frames)));
}

float ConsoleRig::largestStep(const std::vector<float> &stereo)
{
    float largest = 0.0f;
    for (std::size_t i = 2; i < stereo.size(); ++i)
        largest = std::max(largest, std::fabs(stereo[i] - stereo[i - 2]));
    return largest;
}
