#pragma once

#include "platform/MixerLines.h"

#include <QList>
#include <QString>

// Lines held in memory. Every set is recorded and applied, as a mixer would; a test plays
// the outside world by changing a line and calling emitChanged().
class FakeMixerLines final : public MixerLines
{
    Q_OBJECT

public:
    struct Line
    {
        MixerLineId id;
        QString name;
        QString sourceName;
        bool hasBalance = true;
        int balance = 0;
        bool mute = false;
    };

    struct MuteWrite
    {
        MixerLineId line;
        int value = 0;
    };

    struct BalanceWrite
    {
        MixerLineId line;
        int value = 0;
    };

    // Adds a line with the next free identifier of its kind; returns that identifier.
    MixerLineId addLine(MixerLineKind kind, const QString &name, bool hasBalance = true, int balance = 0,
                  bool mute = false);
    Line *line(MixerLineId id);
    void emitChanged() { emit changed(); }
    void emitLinesReplaced() { emit linesReplaced(); }

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

    QList<Line> playback;
    QList<Line> recording;
    QList<MuteWrite> muteWrites;
    QList<BalanceWrite> balanceWrites;
    QList<MixerLineId> currentLineHistory;
    int openCalls = 0;

private:
    const Line *find(MixerLineId id) const;
    const QList<Line> &linesOf(MixerLineKind kind) const;

    MixerLineId m_current;
};
