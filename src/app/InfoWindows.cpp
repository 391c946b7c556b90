#include "app/InfoWindows.h"

#include "app/AboutWindow.h"
#include "app/ContactWindow.h"
#include "product/ProductInfo.h"
#include "product/ProgramPaths.h"
#include "platform/DesktopServices.h"

#include <QDir>
#include <QUrl>

InfoWindows::InfoWindows(DesktopServices &desktop, QObject *parent)
    : QObject(parent)
    , m_desktop(desktop)
{
}

InfoWindows::~InfoWindows()
{
    delete m_contact;
    delete m_about;
}

void InfoWindows::openHelp()
{
    const QString page = QDir(ProgramPaths::programFolder()).filePath(QString::fromUtf8(ProductInfo::helpFileName));
    m_desktop.openUrl(QUrl::fromLocalFile(page));
}

void InfoWindows::showContact()
{
    if (!m_contact) {
        m_contact = new ContactWindow;
        m_contact->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_contact, &ContactWindow::mailRequested, this,
                [this] { m_desktop.openUrl(QUrl(QString::fromUtf8(ProductInfo::supportMailLink))); });
    }
    bringForward(m_contact);
}

void InfoWindows::showAbout()
{
    if (!m_about) {
        m_about = new AboutWindow;
        m_about->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_about, &AboutWindow::webPageRequested, this,
                [this] { m_desktop.openUrl(QUrl(QString::fromUtf8(ProductInfo::webPage))); });
    }
    bringForward(m_about);
}

ContactWindow *InfoWindows::contactWindow() const
{
    return m_contact;
}

AboutWindow *InfoWindows::aboutWindow() const
{
    return m_about;
}

void InfoWindows::bringForward(QWidget *window)
{
    window->showNormal();
    window->raise();
    window->activateWindow();
}
