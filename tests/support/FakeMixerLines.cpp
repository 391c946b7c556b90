#include "FakeMixerLines.h"

namespace {

constexpr std::uint32_t recordingIdBase = 100;

}

MixerLineId FakeMixerLines::addLine(MixerLineKind kind, const QString &name, bool hasBalance, int balance,
                                              bool mute)
{
    QList<Line> &lines = kind == MixerLineKind::Playback ? playback : recording;
    // Recording identifiers start elsewhere so that a mix-up of kinds shows in a test.
    const std::uint32_t base = kind == MixerLineKind::Playback ? 0 : recordingIdBase;
    Line line{MixerLineId{kind, base + static_cast<std::uint32_t>(lines.size())}, name,
              QStringLiteral("source_%1").arg(lines.size()), hasBalance, balance, mute};
    lines.append(line);
    return line.id;
}

FakeMixerLines::Line *FakeMixerLines::line(MixerLineId id)
{
    return const_cast<Line *>(find(id));
}

bool FakeMixerLines::open()
{
    ++openCalls;
    return true;
}

int FakeMixerLines::playbackLineCount() const
{
    return static_cast<int>(playback.size());
}

QString FakeMixerLines::playbackLineName(int index) const
{
    return index >= 0 && index < playback.size() ? playback[index].name : QString();
}

MixerLineId FakeMixerLines::playbackLineId(int index) const
{
    return index >= 0 && index < playback.size() ? playback[index].id : MixerLineId{MixerLineKind::Playback};
}

int FakeMixerLines::recordingLineCount() const
{
    return static_cast<int>(recording.size());
}

QString FakeMixerLines::recordingLineName(int index) const
{
    return index >= 0 && index < recording.size() ? recording[index].name : QString();
}

MixerLineId FakeMixerLines::recordingLineId(int index) const
{
    return index >= 0 && index < recording.size() ? recording[index].id : MixerLineId{MixerLineKind::Recording};
}

QString FakeMixerLines::recordingSourceName(MixerLineId id) const
{
    const Line *found = id.kind == MixerLineKind::Recording ? find(id) : nullptr;
    return found ? found->sourceName : QString();
}

void FakeMixerLines::setCurrentLine(MixerLineId id)
{
    m_current = id;
    currentLineHistory.append(id);
}

bool FakeMixerLines::hasBalance(MixerLineId id) const
{
    const Line *found = find(id);
    return found && found->hasBalance;
}

int FakeMixerLines::balance(MixerLineId id) const
{
    const Line *found = find(id);
    return found && found->hasBalance ? found->balance : 0;
}

void FakeMixerLines::setBalance(int value, MixerLineId id)
{
    balanceWrites.append(BalanceWrite{id, value});
    if (Line *found = line(id))
        found->balance = value;
}

int FakeMixerLines::controlValue(MixerControl control, MixerLineId id) const
{
    const Line *found = find(id);
    return control == MixerControl::Mute && found && found->mute ? 1 : 0;
}

void FakeMixerLines::setControlValue(MixerControl control, int value, MixerLineId id)
{
    if (control != MixerControl::Mute)
        return;
    muteWrites.append(MuteWrite{id, value});
    if (Line *found = line(id))
        found->mute = value != 0;
}

const FakeMixerLines::Line *FakeMixerLines::find(MixerLineId id) const
{
    for (const Line &candidate : linesOf(id.kind)) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

const QList<FakeMixerLines::Line> &FakeMixerLines::linesOf(MixerLineKind kind) const
{
    return kind == MixerLineKind::Playback ? playback : recording;
}
