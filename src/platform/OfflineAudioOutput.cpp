#include "platform/OfflineAudioOutput.h"

#include "platform/AudioRenderer.h"

#include <algorithm>

OfflineAudioOutput::OfflineAudioOutput(int sampleRate, QObject *parent)
    : AudioOutput(parent)
    , m_sampleRate(sampleRate)
{
}

bool OfflineAudioOutput::start(AudioRenderer *renderer)
{
    m_renderer = renderer;
    emit connectedChanged(true);
    return true;
}

void OfflineAudioOutput::stop()
{
    m_renderer = nullptr;
    emit connectedChanged(false);
}

std::vector<float> OfflineAudioOutput::renderFrames(std::size_t frames)
{
    std::vector<float> out(frames * 2);
    renderInto(out.data(), frames);
    return out;
}

void OfflineAudioOutput::renderInto(float *interleavedStereo, std::size_t frames)
{
    if (m_renderer)
        m_renderer->render(interleavedStereo, frames);
    else
        std::fill(interleavedStereo, interleavedStereo + frames * 2, 0.0f);
}
