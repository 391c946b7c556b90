#pragma once

#include <QObject>
#include <QPointer>

class AboutWindow;
class ContactWindow;
class DesktopServices;

// The help page, the contact window and the about window. At most one contact and one
// about window exist; asking for one that is open brings it forward. The windows have no
// parent, so they stay open after the console closes; each deletes itself when closed.
class InfoWindows : public QObject
{
    Q_OBJECT

public:
    // `desktop` must outlive this object.
    explicit InfoWindows(DesktopServices &desktop, QObject *parent = nullptr);
    // Closes the windows that are still open: they cannot open anything without this object.
    ~InfoWindows() override;

    // Opens help.htm of the program folder in the browser; a missing page is the
    // desktop's to report.
    void openHelp();
    void showContact();
    void showAbout();

    ContactWindow *contactWindow() const;
    AboutWindow *aboutWindow() const;

private:
    static void bringForward(QWidget *window);

    DesktopServices &m_desktop;
    QPointer<ContactWindow> m_contact;
    QPointer<AboutWindow> m_about;
};
