#pragma once

#include <QString>

class QWidget;

// Message boxes with the program's title as caption.
//
// Contract: UI thread only; each call blocks until the user answers (a scripted
// implementation answers at once). `parent` may be null.
class UserMessages
{
public:
    enum class SaveChoice { Save, Discard, GoBack };

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
};
