#pragma once

#include <QString>

class QWidget;

// Message boxes with the program's title as caption.
//
// Contract: UI thread only; each call blocks until the user answers (a scripted
// implementation answers at once), except showWithoutWaiting(). `parent` may be null.
class UserMessages
{
public:
    enum class SaveChoice { Save, Discard, GoBack };
    // The icon of a box that needs no answer: that of inform(), notice() or warn().
    enum class Tone { Plain, Information, Warning };

    virtual ~UserMessages() = default;

    // A message with one OK button, no icon.
    virtual void inform(QWidget *parent, const QString &text) = 0;
    // A message with the information icon and one OK button.
    virtual void notice(QWidget *parent, const QString &text) = 0;
    // A problem the user must know about: warning icon, one OK button.
    virtual void warn(QWidget *parent, const QString &text) = 0;
    // Information icon with Yes and No; true for Yes.
    virtual bool ask(QWidget *parent, const QString &text) = 0;
    // Unsaved work about to be lost: warning icon with Save, Discard and Cancel (go back).
    // Going back loses nothing, so it is what a message box that cannot ask answers.
    virtual SaveChoice askToSave(QWidget *parent, const QString &text)
    {
        (void)parent;
        (void)text;
        return SaveChoice::GoBack;
    }
    // The box of inform(), notice() or warn(), by `tone`, that waits for nobody: it returns
    // at once, blocks no window, and stays open until the user closes it. Over a visible
    // `parent` it is that window's box; with a null or hidden one (the console in the tray)
    // it is a window of its own, so it is seen all the same, and a box whose parent is
    // hidden later stays open. An open box does not keep the program running.
    virtual void showWithoutWaiting(QWidget *parent, Tone tone, const QString &text) = 0;
};
