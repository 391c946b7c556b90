#pragma once

#include <QObject>
#include <QString>

#include <vector>

class AudioOutput;
class AudioSinks;

// Where the sound plays: the desktop's default (an empty name, the start) or a sink the
// user chose, remembered by the server's name for it. The chosen sink is played on while
// the server has it; while it is absent the sound plays on the default and the choice is
// kept, so that the sound goes back when the sink comes back. Until the server has listed
// its sinks the chosen one is taken to be there, so that the first stream is made on it.
//
// The entries to offer are the default first, then every sink by its description (with its
// name where two descriptions are the same), then an absent chosen sink, marked so; exactly
// one entry is checked, the choice.
//
// Contract: UI thread. The sinks and the output outlive the choice. The output is told
// where to play at construction and after every change of the sinks or of the choice.
class SinkChoice : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        // Empty for the desktop's default.
        QString name;
        QString caption;
        bool checked = false;

        bool operator==(const Entry &) const = default;
    };

    static QString defaultCaption();

    SinkChoice(AudioSinks &sinks, AudioOutput &output, const QString &chosen, QObject *parent = nullptr);

    QString chosen() const { return m_chosen; }
    // Whether the chosen sink is absent from the server's list; never for the default.
    bool isChosenAbsent() const;
    // The sink the output is told to play on: empty for the default.
    QString routedSink() const;
    std::vector<Entry> entries() const;

    // Chooses a sink by name, or the default with an empty name; a name the server does not
    // list now is kept as the choice too.
    void choose(const QString &name);

signals:
    void entriesChanged();
    // The choice changed, by choose(); to be remembered.
    void chosenChanged(const QString &name);

private:
    void onSinksChanged();
    void noteChosenDescription();
    void route();

    AudioSinks &m_sinks;
    AudioOutput &m_output;
    QString m_chosen;
    // The chosen sink's description when it was last listed, to show while it is absent.
    QString m_chosenDescription;
};
