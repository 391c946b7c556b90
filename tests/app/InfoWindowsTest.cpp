#include "FakeDesktopServices.h"
#include "app/AboutWindow.h"
#include "app/ContactWindow.h"
#include "app/InfoWindows.h"
#include "app/ProductImages.h"
#include "product/ProgramPaths.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class InfoWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void helpOpensThePageInTheProgramFolder();
    void contactWindowIsSingleAndComesForward();
    void contactAddressOpensTheMailLinkByMouseAndKeyboard();
    void contactNoteDoesNothing();
    void closedContactWindowIsMadeAnew();
    void aboutWindowIsSingleAndShowsTheProduct();
    void aboutButtonOpensTheWebPage();
    void productImagesAreBuiltIn();
    void screenshots();

private:
    template <typename Window>
    static int openWindowsOf();

    QTemporaryDir m_folder;
    FakeDesktopServices *m_desktop = nullptr;
    InfoWindows *m_windows = nullptr;
};

template <typename Window>
int InfoWindowsTest::openWindowsOf()
{
    int count = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        count += qobject_cast<Window *>(window) && window->isVisible() ? 1 : 0;
    return count;
}

void InfoWindowsTest::init()
{
    ProgramPaths::overrideFolders(m_folder.path(), m_folder.filePath(QStringLiteral("config")));
    m_desktop = new FakeDesktopServices;
    m_windows = new InfoWindows(*m_desktop);
}

void InfoWindowsTest::cleanup()
{
    delete m_windows;
    delete m_desktop;
}

void InfoWindowsTest::helpOpensThePageInTheProgramFolder()
{
    m_windows->openHelp();
    QCOMPARE(m_desktop->openedUrls,
             QList<QUrl>{QUrl::fromLocalFile(QDir(m_folder.path()).filePath(QStringLiteral("help.htm")))});
}

void InfoWindowsTest::contactWindowIsSingleAndComesForward()
{
    m_windows->showContact();
    ContactWindow *first = m_windows->contactWindow();
    QVERIFY(first);
    QCOMPARE(first->windowTitle(), QStringLiteral("Contact Us"));
    QCOMPARE(first->windowModality(), Qt::NonModal);
    QCOMPARE(first->noteLabel()->text(),
             QStringLiteral("If you have a problem, query or a suggestion about this product, please "
                            "contact us at the address below. Click below to open your mail client."));
    QCOMPARE(first->addressLink()->text(), QStringLiteral("support@example.org"));

    first->showMinimized();
    m_windows->showContact();
    QCOMPARE(m_windows->contactWindow(), first);
    QVERIFY(!first->isMinimized());
    QCOMPARE(openWindowsOf<ContactWindow>(), 1);
}

void InfoWindowsTest::contactAddressOpensTheMailLinkByMouseAndKeyboard()
{
    m_windows->showContact();
    QPushButton *address = m_windows->contactWindow()->addressLink();
    QVERIFY(address->focusPolicy() & Qt::TabFocus);

    QTest::mouseClick(address, Qt::LeftButton);
    QTest::keyClick(address, Qt::Key_Space);
    QTest::keyClick(address, Qt::Key_Return);

    const QUrl mail(QStringLiteral("mailto:support@example.org"));
    QCOMPARE(m_desktop->openedUrls, (QList<QUrl>{mail, mail, mail}));
}

void InfoWindowsTest::contactNoteDoesNothing()
{
    m_windows->showContact();
    QTest::mouseClick(m_windows->contactWindow()->noteLabel(), Qt::LeftButton);
    QVERIFY(m_desktop->openedUrls.isEmpty());
}

void InfoWindowsTest::closedContactWindowIsMadeAnew()
{
    m_windows->showContact();
    QPointer<ContactWindow> first = m_windows->contactWindow();
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);

    m_windows->showContact();
    QVERIFY(m_windows->contactWindow());
    QVERIFY(m_windows->contactWindow()->isVisible());
}

void InfoWindowsTest::aboutWindowIsSingleAndShowsTheProduct()
{
    m_windows->showAbout();
    m_windows->showAbout();
    AboutWindow *about = m_windows->aboutWindow();
    QVERIFY(about);
    QCOMPARE(openWindowsOf<AboutWindow>(), 1);
    QCOMPARE(about->windowTitle(), QStringLiteral("Sonivale v2.0"));
    QCOMPARE(about->windowModality(), Qt::NonModal);

    auto *name = about->findChild<QLabel *>(QStringLiteral("Label1"));
    QVERIFY(name);
    QCOMPARE(name->text(), QStringLiteral("Sonivale v2.0"));
    QVERIFY(name->font().bold());
    for (const char *line : {"Label2", "Label3", "Label4", "Label5"}) {
        auto *label = about->findChild<QLabel *>(QString::fromLatin1(line));
        QVERIFY2(label && !label->text().isEmpty(), line);
    }
    QVERIFY(about->findChild<QLabel *>(QStringLiteral("Label5"))->text().contains(QStringLiteral("example.org")));
    auto *picture = about->findChild<QLabel *>(QStringLiteral("Image1"));
    QVERIFY(picture && !picture->pixmap().isNull());
    QVERIFY(!picture->accessibleName().isEmpty());
}

void InfoWindowsTest::aboutButtonOpensTheWebPage()
{
    m_windows->showAbout();
    QPushButton *button = m_windows->aboutWindow()->webPageButton();
    QCOMPARE(button->text(), QStringLiteral("Take me there!"));

    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Space);

    const QUrl page(QStringLiteral("https://www.example.org/sonivale"));
    QCOMPARE(m_desktop->openedUrls, (QList<QUrl>{page, page}));
}

void InfoWindowsTest::productImagesAreBuiltIn()
{
    const QImage icon = ProductImages::programIcon().pixmap(22, 22).toImage();
    QVERIFY(!icon.isNull());
    QCOMPARE(qAlpha(icon.pixel(11, 11)), 255);

    const QImage picture = ProductImages::picture(ProductImages::pictureSize()).toImage();
    QCOMPARE(picture.size(), QSize(769, 464));
    const QColor middle = picture.pixelColor(384, 232);
    QCOMPARE(middle.alpha(), 255);
    // Controls sit on top of it: a dark picture.
    QVERIFY(middle.lightness() < 80);
}

void InfoWindowsTest::screenshots()
{
    const QString folder = qEnvironmentVariable("SONIVALE_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("SONIVALE_SCREENSHOT_DIR is not set");
    QDir().mkpath(folder);
    m_windows->showContact();
    m_windows->showAbout();
    QVERIFY(m_windows->contactWindow()->grab().save(QDir(folder).filePath(QStringLiteral("contact.png"))));
    QVERIFY(m_windows->aboutWindow()->grab().save(QDir(folder).filePath(QStringLiteral("about.png"))));
    QVERIFY(ProductImages::programIcon().pixmap(64, 64).save(QDir(folder).filePath(QStringLiteral("icon.png"))));
    QVERIFY(ProductImages::picture(ProductImages::pictureSize())
                .save(QDir(folder).filePath(QStringLiteral("picture.png"))));
}

QTEST_MAIN(InfoWindowsTest)
#include "InfoWindowsTest.moc"
