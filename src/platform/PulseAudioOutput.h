#pragma once

#include "platform/AudioOutput.h"
#include "platform/PulseConnection.h"

#include <atomic>

struct pa_stream;

// Plays the renderer through a PulseAudio playback stream: float32 stereo at 48 kHz with
// about 30 ms of buffering. The stream's write callback, on the connection's loop thread,
// is the audio thread. After the server restarts the stream is made again by itself.
class PulseAudioOutput final : public AudioOutput
{
    Q_OBJECT

public:
    static constexpr int outputRate = 48000;
    static constexpr int targetLatencyMs = 30;

    explicit PulseAudioOutput(QObject *parent = nullptr);
    ~PulseAudioOutput() override;

    bool start(AudioRenderer *renderer) override;
    void stop() override;
    int sampleRate() const override { return outputRate; }
    bool isConnected() const override { return m_connection.isReady(); }

    // Waits at most `timeoutMs` for the first connection attempt; true when connected.
    bool waitForServer(int timeoutMs) { return m_connection.waitUntilSettled(timeoutMs); }

private:
    static void writeCallback(pa_stream *stream, std::size_t bytes, void *self);
    void createStream(pa_context *context);
    void dropStream();
    void write(std::size_t bytes);

    PulseConnection m_connection;
    pa_stream *m_stream = nullptr;
    std::atomic<AudioRenderer *> m_renderer{nullptr};
};
