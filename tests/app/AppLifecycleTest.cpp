#include "app/AppLifecycle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QTest>
#include <QWidget>

namespace {

// A window that counts its close events, as the console counts its unloads.
class CountingWindow : public QWidget
{
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++closes;
        QWidget::closeEvent(event);
    }
};

}

class AppLifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void qtsOwnRuleIsSwitchedOff();
    void closingTheLoneConsoleEndsTheProgram();
    void aConsoleInTheTrayKeepsTheProgramRunning();
    void anotherOpenWindowKeepsTheProgramRunningUntilItCloses();
    void menusAndWindowsWithoutQuitOnCloseDoNotCount();
    void exitClosesEveryWindowAndTheHiddenConsoleThenQuits();

private:
    void settle();

    int m_quits = 0;
    AppLifecycle *m_lifecycle = nullptr;
    CountingWindow *m_console = nullptr;
    CountingWindow *m_recorder = nullptr;
};

void AppLifecycleTest::init()
{
    m_quits = 0;
    m_lifecycle = new AppLifecycle([this] { ++m_quits; });
    m_console = new CountingWindow;
    m_recorder = new CountingWindow;
    m_lifecycle->watchConsole(m_console);
    m_console->show();
}

void AppLifecycleTest::cleanup()
{
    delete m_recorder;
    delete m_console;
    delete m_lifecycle;
}

void AppLifecycleTest::settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

void AppLifecycleTest::qtsOwnRuleIsSwitchedOff()
{
    QVERIFY(!QApplication::quitOnLastWindowClosed());
}

void AppLifecycleTest::closingTheLoneConsoleEndsTheProgram()
{
    m_console->close();
    settle();
    QVERIFY(m_lifecycle->consoleClosed());
    QCOMPARE(m_quits, 1);
}

void AppLifecycleTest::aConsoleInTheTrayKeepsTheProgramRunning()
{
    m_recorder->show();
    m_console->hide();
    settle();
    QCOMPARE(m_quits, 0);

    m_recorder->close();
    settle();
    QVERIFY(!m_lifecycle->consoleClosed());
    QCOMPARE(m_quits, 0);
}

void AppLifecycleTest::anotherOpenWindowKeepsTheProgramRunningUntilItCloses()
{
    m_recorder->show();
    m_console->close();
    settle();
    QCOMPARE(m_quits, 0);

    m_recorder->close();
    settle();
    QCOMPARE(m_quits, 1);
}

void AppLifecycleTest::menusAndWindowsWithoutQuitOnCloseDoNotCount()
{
    QMenu menu;
    menu.addAction(QStringLiteral("Exit"));
    menu.popup(QPoint(10, 10));
    // Stands in for the XEmbed tray icon's own window.
    QWidget iconWindow(nullptr, Qt::Window | Qt::FramelessWindowHint);
    iconWindow.setAttribute(Qt::WA_QuitOnClose, false);
    iconWindow.show();

    m_console->close();
    settle();
    QCOMPARE(m_quits, 1);
}

void AppLifecycleTest::exitClosesEveryWindowAndTheHiddenConsoleThenQuits()
{
    m_recorder->show();
    m_console->hide();

    m_lifecycle->exitProgram();
    settle();

    QCOMPARE(m_recorder->closes, 1);
    QCOMPARE(m_console->closes, 1);
    QVERIFY(m_recorder->isHidden());
    QVERIFY(m_lifecycle->consoleClosed());
    QCOMPARE(m_quits, 1);
}

QTEST_MAIN(AppLifecycleTest)
#include "AppLifecycleTest.moc"
