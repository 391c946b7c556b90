#pragma once

#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"

#include <QTemporaryDir>

#include <vector>

// The console's sound without a window: a 441 Hz sine (or a noise) under every channel's
// file name, an offline output that renders on demand, the engine and the channel controls.
class ConsoleRig
{
public:
    static constexpr int outputRate = 48000;

    // Noises are uncorrelated between channels, so the powers of channels add.
    enum class Sounds { Sines, Noises };

    explicit ConsoleRig(Sounds sounds = Sounds::Sines);

    bool ready() const { return m_ready; }
    SoundEngine &engine() { return m_engine; }
    ChannelControls &controls() { return m_controls; }
    Mixer &mixer() { return m_engine.mixer(); }
    QString folder() const { return m_dir.path(); }

    // Renders in blocks of `blockFrames`, as a sound server asks for them.
    std::vector<float> render(double seconds, std::size_t blockFrames = 960);
    // RMS level in decibels of the left side of `frames` frames from `first`.
    static double levelDb(const std::vector<float> &stereo, std::size_t first, std::size_t frames);
    // The largest difference between neighbouring samples of either side.
    static float largestStep(const std::vector<float> &stereo);

private:
    QTemporaryDir m_dir;
    OfflineAudioOutput m_output{outputRate};
    SoundEngine m_engine{m_output};
    ChannelControls m_controls{m_engine};
    bool m_ready = false;
};
