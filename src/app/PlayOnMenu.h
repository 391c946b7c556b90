#pragma once

#include <QMenu>

class QActionGroup;
class SinkChoice;

// The Playback menu's "Play On": one checkable entry for each place the sound may play, as
// the choice offers them, of which the checked one is the choice. Choosing an entry, by
// mouse or keyboard, makes it the choice; the entries are made anew whenever they change.
class PlayOnMenu : public QMenu
{
    Q_OBJECT

public:
    explicit PlayOnMenu(SinkChoice &choice, QWidget *parent = nullptr);

private:
    void rebuild();

    SinkChoice &m_choice;
    QActionGroup *m_group;
};
