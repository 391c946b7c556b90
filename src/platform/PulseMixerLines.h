#pragma once

#include "platform/MixerLines.h"
#include "platform/PulseConnection.h"
#include "platform/PulseLevelMeter.h"

#include <QTimer>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include <pulse/introspect.h>
#include <pulse/volume.h>

// The sound server's sinks as playback lines and its sources (monitors included) as
// recording lines, each named by its description: sinks in the server's index order,
// sources with the monitor of the default sink first (what the sound card plays, the
// recorder's usual source) and the rest in index order.
//
// Threads: a snapshot of the sinks and sources is kept up to date on the connection's loop
// thread from the server's subscription events and read by the UI thread under a mutex,
// so no query waits for the server. A set is applied to the snapshot at once and sent;
// server reports about that line are not taken over until every write sent for it has
// been answered, so a slider being dragged is not pulled back by older reports. The level
// is metered on the current line's source (a sink's monitor). After the server restarts,
// the lines are read again; identifiers from before are then unknown. The lines use the
// shared connection from open() on; the connection outlives them.
class PulseMixerLines final : public MixerLines, private PulseConnection::Client
{
    Q_OBJECT

public:
    static constexpr int openTimeoutMs = 1500;
    // Change reports come in bursts (one per sink and per source touched).
    static constexpr int coalesceMs = 50;

    explicit PulseMixerLines(PulseConnection &connection, QObject *parent = nullptr);
    ~PulseMixerLines() override;

    bool open() override;

    int playbackLineCount() const override;
    QString playbackLineName(int index) const override;
    MixerLineId playbackLineId(int index) const override;

    int recordingLineCount() const override;
    QString recordingLineName(int index) const override;
    MixerLineId recordingLineId(int index) const override;
    QString recordingSourceName(MixerLineId line) const override;

    MixerLineId currentLine() const override { return m_current; }
    void setCurrentLine(MixerLineId line) override;

    bool hasBalance(MixerLineId line) const override;
    int balance(MixerLineId line) const override;
    void setBalance(int value, MixerLineId line) override;

    int controlValue(MixerControl control, MixerLineId line) const override;
    void setControlValue(MixerControl control, int value, MixerLineId line) override;

private:
    struct Line
    {
        std::uint32_t index = MixerLineId::noIndex;
        QString name;
        QString description;
        pa_cvolume volume{};
        pa_channel_map channelMap{};
        bool mute = false;
        // The source whose level stands for this line: itself, or a sink's monitor.
        std::uint32_t meterSource = MixerLineId::noIndex;
        int writesInFlight = 0;
    };

    static Line lineOf(const pa_sink_info &info);
    static Line lineOf(const pa_source_info &info);
    static MixerLineKind kindOf(const pa_sink_info *);
    static MixerLineKind kindOf(const pa_source_info *);

    template <typename Info>
    static void listCallback(pa_context *context, const Info *info, int eol, void *self);
    template <typename Info>
    static void infoCallback(pa_context *context, const Info *info, int eol, void *self);
    static void writeDoneCallback(pa_context *context, int success, void *self);
    static void serverInfoCallback(pa_context *context, const pa_server_info *info, void *self);

    // Loop thread, loop locked.
    void connectionReady(pa_context *context) override;
    void connectionLost() override;
    void serverEvent(pa_context *context, pa_subscription_event_type_t type, std::uint32_t index) override;
    pa_subscription_mask_t subscriptions() const override;
    void refetch(pa_context *context, MixerLineId line);
    void replaceLines(MixerLineKind kind, std::vector<Line> lines);
    void upsertLine(MixerLineKind kind, Line line);
    void removeLine(MixerLineId line);
    void postChanged();
    // Loop locked, either thread.
    void updateMeter(pa_context *context);
    // A write for the line was sent; its answer is the next one of those in flight.
    void noteWriteSent(MixerLineId line);

    // UI thread.
    pa_context *readyContext() const;

    // m_mutex held.
    std::vector<Line> &linesOf(MixerLineKind kind);
    const std::vector<Line> &linesOf(MixerLineKind kind) const;
    Line *find(MixerLineId line);
    const Line *find(MixerLineId line) const;
    MixerLineId idAt(MixerLineKind kind, int index) const;
    // Where the line at a position of the list is kept; the position must be in range.
    std::size_t storedAt(MixerLineKind kind, int position) const;
    QString nameAt(MixerLineKind kind, int index) const;

    QTimer m_coalesce;

    mutable std::mutex m_mutex;
    std::condition_variable m_listedCondition;
    std::vector<Line> m_sinks;
    std::vector<Line> m_sources;
    bool m_sinksListed = false;
    // Set when the server went away: the next complete listing replaces every line.
    bool m_relisting = false;
    bool m_sourcesListed = false;
    QString m_defaultSinkName;

    // Loop thread only: lists being received.
    std::vector<Line> m_incomingSinks;
    std::vector<Line> m_incomingSources;

    PulseConnection &m_connection;

    // Written on the UI thread under the loop lock, read by the loop thread.
    MixerLineId m_current;
    // Under the loop lock.
    PulseLevelMeter m_meter;
    // The server answers requests in order, so the oldest entry belongs to the next answer.
    std::deque<MixerLineId> m_writesInFlight;

};
