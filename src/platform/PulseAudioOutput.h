#pragma once

#include "platform/AudioOutput.h"
#include "platform/PulseConnection.h"
#include "platform/PulseLoopTimer.h"

#include <atomic>
#include <cstdint>
#include <string>

#include <pulse/subscribe.h>

struct pa_cvolume;
struct pa_sink_input_info;
struct pa_stream;

// Plays the renderer through a PulseAudio playback stream (PulseAudio, or PipeWire's
// PulseAudio service): float32 stereo at 48 kHz to the server's default sink, never pinned
// to a device, so that the server moves it when the default changes; or, when a sink is
// set, to that sink while the server has it. A stream that plays is moved, not made anew,
// when the sink is set; one that could not be made on the sink named (it has gone) is made
// at once on the default instead. When the sink goes away the server moves the stream to
// another (or ends it, and a new one is made on the default); setting the sink again when
// it is back moves the stream back.
//
// Masking needs no low latency but must never drop out, so the stream keeps a deep buffer
// and is refilled in large steps; an underrun deepens the buffer up to a ceiling. The
// stream is watched: when it fails or is killed (its sink went away) while the server is
// still there, a new one is made after a short delay, again until one plays; after the
// server itself comes back the stream is made anew too.
//
// Threads: every public member on the UI thread. The stream's callbacks run on the
// shared connection's loop thread, which is the audio thread: the write callback renders
// there, and the thread is given real-time scheduling where the system offers it.
// The output uses the connection from start() to stop(); the connection outlives it.
// isConnected() says whether a stream is playing now, not merely whether the server answers.
// The output subscribes to the server's stream events so that a volume set for the program
// in the desktop's sound settings is learnt (on the loop thread, then reported on the UI
// thread), and a later stream plays at it rather than at an older one.
class PulseAudioOutput final : public AudioOutput, private PulseConnection::Client
{
    Q_OBJECT

public:
    static constexpr int outputRate = 48000;

    // How the stream is buffered. The whole latency stays within a quarter of a second, so
    // that a slider change is heard at once, and what is queued bridges a stall of the
    // whole program of well over 100 ms. Refills are large, so wake-ups are few, and the
    // sink is never asked for a short latency that would make every client wake often.
    struct Buffering
    {
        // PulseAudio splits an adjusted latency between its queue and the sink; PipeWire's
        // service halves its queue instead, so there the queue is asked for as it is.
        bool adjustLatency;
        int bufferMs;
        int refillMs;
        // Each underrun deepens the buffer by one refill, up to this.
        int ceilingMs;
    };
    static constexpr Buffering pulseAudioBuffering{true, 240, 40, 320};
    // PipeWire's service takes a whole quantum of its graph from the queue each cycle (43 ms
    // at most), asks for a refill once a refill's worth is missing, and plays a cycle that
    // finds less than a quantum queued as a quantum of silence. A refill of no more than
    // one quantum is asked for every cycle, while 157 ms stay queued: the program may then
    // be held 170 ms from the request before a cycle comes up short. Asking every second
    // cycle would halve the wake-ups but leave 115 ms, which pays out only two quanta, so a
    // 100 ms stall stretched past 128 ms by a busy machine dropped a whole quantum. The
    // graph keeps its longest quantum, since the queue less two refills still exceeds it.
    static constexpr Buffering pipeWireBuffering{false, 200, 40, 280};
    static constexpr int restartDelayMs = 500;

    explicit PulseAudioOutput(PulseConnection &connection, QObject *parent = nullptr);
    ~PulseAudioOutput() override;

    bool start(AudioRenderer *renderer) override;
    void stop() override;
    int sampleRate() const override { return outputRate; }
    bool isConnected() const override { return m_playing.load(); }

    // Waits at most `timeoutMs` for the first connection attempt; true when connected.
    bool waitForServer(int timeoutMs) { return m_connection.waitUntilSettled(timeoutMs); }

    // Underruns reported by the server since start(), and the buffer asked for now.
    std::uint64_t underflowCount() const { return m_underflows.load(); }
    int bufferMs() const { return m_bufferMs.load(); }
    int bufferCeilingMs() const { return m_buffering.load()->ceilingMs; }

protected:
    void applyStreamVolume(double volume) override;
    void applySink(const QString &name) override;

private:
    const pa_cvolume *rememberedVolume(pa_cvolume *storage) const;

    static void writeCallback(pa_stream *stream, std::size_t bytes, void *self);
    static void stateCallback(pa_stream *stream, void *self);
    static void underflowCallback(pa_stream *stream, void *self);
    static void streamInfo(pa_context *context, const pa_sink_input_info *info, int eol, void *self);
    void connectionReady(pa_context *context) override;
    void connectionLost() override;
    void serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index) override;
    pa_subscription_mask_t subscriptions() const override { return PA_SUBSCRIPTION_MASK_SINK_INPUT; }
    void createStream(pa_context *context);
    void dropStream();
    void onStreamState();
    void onUnderflow();
    void fetchStreamVolume(pa_context *context, std::uint32_t index);
    void onStreamInfo(const pa_sink_input_info &info);
    void restartStream();
    void scheduleRestart(int delayMs = restartDelayMs);
    // The sink a new stream is connected to; empty for the default.
    const std::string &sinkToConnect() const;
    void moveStreamToSink();
    void moveStreamTo(pa_context *context, const char *sink);
    void setPlaying(bool playing);
    void write(std::size_t bytes);

    PulseConnection &m_connection;
    PulseLoopTimer m_restart;
    pa_stream *m_stream = nullptr;
    // Under the loop lock: the sink asked for (empty for the default), whether a stream
    // could not be made on it since it was asked for, the sink the stream was connected
    // to, and whether that stream ever played.
    std::string m_sinkName;
    bool m_sinkMissing = false;
    std::string m_streamSink;
    bool m_streamReady = false;
    std::atomic<AudioRenderer *> m_renderer{nullptr};
    std::atomic<bool> m_playing{false};
    std::atomic<std::uint64_t> m_underflows{0};
    std::atomic<bool> m_realtimeAsked{false};
    std::atomic<const Buffering *> m_buffering{&pulseAudioBuffering};
    std::atomic<int> m_bufferMs{pulseAudioBuffering.bufferMs};
    // The stream volume of each side in the server's units, left in the high half;
    // unknown until set, so that until then the server restores the volume it remembers
    // for this program. Both sides are kept, so a balance set in the desktop's mixer
    // survives a new stream.
    static constexpr std::uint64_t unknownVolume = ~std::uint64_t{0};
    std::atomic<std::uint64_t> m_streamSides{unknownVolume};
};
