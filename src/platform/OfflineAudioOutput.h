#pragma once

#include "platform/AudioOutput.h"

#include <vector>

// An output with no device: frames are rendered only when renderFrames() asks for them.
// Tests and benchmarks drive the audio clock with it.
class OfflineAudioOutput final : public AudioOutput
{
    Q_OBJECT

public:
    explicit OfflineAudioOutput(int sampleRate = 48000, QObject *parent = nullptr);

    bool start(AudioRenderer *renderer) override;
    void stop() override;
    int sampleRate() const override { return m_sampleRate; }
    bool isConnected() const override { return m_renderer != nullptr; }

    // Renders `frames` stereo frames; silence when not started.
    std::vector<float> renderFrames(std::size_t frames);
    void renderInto(float *interleavedStereo, std::size_t frames);

private:
    int m_sampleRate;
    AudioRenderer *m_renderer = nullptr;
};
