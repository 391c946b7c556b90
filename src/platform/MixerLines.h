#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

enum class MixerLineKind { Playback, Recording };

// Identifies one line: playback and recording lines are numbered independently, so the
// kind is part of the identity.
struct MixerLineId
{
    static constexpr std::uint32_t noIndex = 0xFFFFFFFFu;

    MixerLineKind kind = MixerLineKind::Playback;
    std::uint32_t index = noIndex;

    bool operator==(const MixerLineId &) const = default;
};

// The controls of a line that can be read and set as a value.
enum class MixerControl {
    Mute // 0 off, 1 on
};

// The sound card's playback and recording lines with their names, mute and balance, and a
// live level of one chosen line (the current line).
//
// Contract: every member is called on the UI thread. open() may wait briefly for the sound
// server (bounded); everything else answers from what the adapter already knows and never
// waits for the server. Lines are counted from 0; the recording lines start with the
// monitor of the default output where there is one, the usual thing to record. The lines
// and their order may change with every changed(). An index out of range
// gives an identifier no line has; asking about an unknown line gives no balance, balance
// 0 and control value 0, and setting it does nothing. Setters send the change and return at
// once; what they send is answered by the getters straight away.
// Signals arrive on the UI thread: changed() when lines or their state changed, coalesced
// into one signal per burst, also for changes this adapter made; levelChanged() with the
// peak level (0 to 1) of the current line, a few dozen times a second while it plays;
// linesReplaced() when every line was read anew after the server came back, so that the
// identifiers given out before may name other lines or none.
class MixerLines : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~MixerLines() override = default;

    // Connects and reads the lines; true when they could be read. Calling it again does
    // no harm.
    virtual bool open() = 0;

    virtual int playbackLineCount() const = 0;
    virtual QString playbackLineName(int index) const = 0;
    virtual MixerLineId playbackLineId(int index) const = 0;

    virtual int recordingLineCount() const = 0;
    virtual QString recordingLineName(int index) const = 0;
    virtual MixerLineId recordingLineId(int index) const = 0;
    // The sound server's name of a recording line, as a capture device takes it; empty
    // for an unknown line.
    virtual QString recordingSourceName(MixerLineId line) const = 0;

    virtual MixerLineId currentLine() const = 0;
    // Also chooses the line whose level levelChanged() reports.
    virtual void setCurrentLine(MixerLineId line) = 0;

    virtual bool hasBalance(MixerLineId line) const = 0;
    // From -100 (left only) through 0 (centred) to 100 (right only).
    virtual int balance(MixerLineId line) const = 0;
    virtual void setBalance(int value, MixerLineId line) = 0;

    virtual int controlValue(MixerControl control, MixerLineId line) const = 0;
    virtual void setControlValue(MixerControl control, int value, MixerLineId line) = 0;

signals:
    void changed();
    void levelChanged(double peak);
    void linesReplaced();
};
