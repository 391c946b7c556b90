#pragma once

#include <QDialog>
#include <QString>

class DesktopServices;
class QRadioButton;
class UserMessages;

// The "Save Options" window shown after a take was saved: open the file, open its folder,
// or go back. It shows the name it was opened with; its choices act on target(), which a
// later save moves to the newest file while the window stays open.
class SaveOptionsWindow : public QDialog
{
    Q_OBJECT

public:
    enum class Choice { OpenFile, OpenFolder, ReturnToConsole };

    SaveOptionsWindow(const QString &fileName, DesktopServices &desktop, UserMessages &messages,
                      QWidget *parent = nullptr);

    QString shownName() const { return m_shownName; }
    QString target() const { return m_target; }
    void setTarget(const QString &fileName) { m_target = fileName; }
    Choice choice() const { return m_choice; }

    // "Next": carries out the chosen option, then closes the window; a desktop that
    // cannot open the file or folder is reported.
    void next();

private:
    QRadioButton *addOption(const QString &text, const char *name, Choice choice);

    DesktopServices &m_desktop;
    UserMessages &m_messages;
    QString m_shownName;
    QString m_target;
    Choice m_choice = Choice::ReturnToConsole;
};
