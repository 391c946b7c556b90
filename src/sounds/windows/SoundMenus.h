#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

class FileDialogs;
class QMenu;
class QPoint;
class QWidget;
class SoundChoice;
class SoundChooser;
class SoundsWindow;

// The ways to choose what a channel plays: the menu of a channel's switch and the "Sounds…"
// window of the "Playback" menu. Both show the chooser's choices and hand it the user's.
class SoundMenus : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        SoundChooser *chooser;
        FileDialogs *fileDialogs; // the user's own sound files
        QWidget *window;          // parents the menus, the window and the dialogs
    };

    // The filter of the file dialog: the formats a channel plays.
    static const char *const fileFilter;

    explicit SoundMenus(const Services &services, QObject *parent = nullptr);

    // Puts "Sounds…" into `playback`.
    void addToMenu(QMenu *playback);
    // The menu of channel 1 to 14's switch, built afresh, for the caller to show; it
    // deletes itself once closed.
    QMenu *menuFor(int channel);
    // Shows menuFor(channel) at `globalPosition`.
    void popUp(int channel, const QPoint &globalPosition);
    // Shows the window, or brings it forward.
    void showWindow();
    // The window while it is open, or null.
    SoundsWindow *window() const;

    // Asks for a file, which channel 1 to 14 then plays; false when none was chosen or it
    // cannot be played.
    bool chooseFile(int channel, QWidget *parent);
    // Channel 1 to 14 plays `choice`, as the chooser's choose(); a file new to the program is
    // measured first without freezing the window. For choices that come from outside the
    // menus, such as another start's command line. A later choice for the channel made while
    // this one is measured stands, and this one is dropped: false.
    bool choose(int channel, const SoundChoice &choice, QWidget *parent);

private:
    void measureFirst(const QString &path, QWidget *parent);

    Services m_services;
    QPointer<SoundsWindow> m_window;
    // How many choices each channel has been asked for: a choice still the latest when its
    // measuring ends is the one that stands.
    QHash<int, quint64> m_choicesAsked;
};
