#include "FakeTrayIcon.h"
#include "app/ProductImages.h"
#include "app/TrayController.h"
#include "platform/windows/QtTrayIcon.h"

#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

using Activation = TrayIcon::Activation;

class TrayControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addIconShowsTheProductTooltip_data();
    void addIconShowsTheProductTooltip();
    void trayHidesTheConsoleAndDoubleClickBringsItBack();
    void trayMinimisesWhereTheIconCannotBringTheConsoleBack_data();
    void trayMinimisesWhereTheIconCannotBringTheConsoleBack();
    void restoreClearsMinimisedAndMaximised();
    void singleActivationRestoresOnlyAConsoleOutOfSight();
    void contextAndOtherActivationsLeaveTheConsoleAlone_data();
    void contextAndOtherActivationsLeaveTheConsoleAlone();
    void startInTrayCheckActsOnItsFirstTickOnly_data();
    void startInTrayCheckActsOnItsFirstTickOnly();

    void qtIconUsesTheConsoleMenuAsContextMenu();
    void qtIconMapsActivationReasons_data();
    void qtIconMapsActivationReasons();

private:
    QWidget *m_console = nullptr;
    FakeTrayIcon *m_icon = nullptr;
    TrayController *m_controller = nullptr;
};

void TrayControllerTest::init()
{
    m_console = new QWidget;
    m_console->resize(300, 200);
    m_icon = new FakeTrayIcon;
    m_controller = new TrayController(*m_console, *m_icon);
    m_controller->addIcon();
    m_console->show();
}

void TrayControllerTest::cleanup()
{
    delete m_controller;
    delete m_icon;
    delete m_console;
}

void TrayControllerTest::addIconShowsTheProductTooltip_data()
{
    QTest::addColumn<bool>("remove");
    QTest::newRow("added") << false;
    QTest::newRow("removed by Close") << true;
}

void TrayControllerTest::addIconShowsTheProductTooltip()
{
    QFETCH(bool, remove);
    if (remove)
        m_controller->removeIcon();
    QCOMPARE(m_icon->isShown(), !remove);
    QCOMPARE(m_icon->toolTip(), QStringLiteral("Sonivale"));
    m_controller->setStatus(QStringLiteral("Paused"));
    QCOMPARE(m_icon->toolTip(), QStringLiteral("Sonivale\nPaused"));
    m_controller->setStatus({});
    QCOMPARE(m_icon->toolTip(), QStringLiteral("Sonivale"));
}

void TrayControllerTest::trayHidesTheConsoleAndDoubleClickBringsItBack()
{
    m_controller->sendToTray();
    QVERIFY(m_console->isHidden());
    QVERIFY(!m_console->isMinimized());
    QVERIFY(m_icon->isShown());

    m_icon->activate(Activation::DoubleClick);
    QVERIFY(m_console->isVisible());

    m_icon->activate(Activation::DoubleClick);
    QVERIFY(m_console->isVisible());
    QVERIFY(!m_console->isMinimized());
}

void TrayControllerTest::trayMinimisesWhereTheIconCannotBringTheConsoleBack_data()
{
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("iconAdded");
    QTest::newRow("no notification area") << false << true;
    QTest::newRow("icon never added") << true << false;
}

void TrayControllerTest::trayMinimisesWhereTheIconCannotBringTheConsoleBack()
{
    QFETCH(bool, trayAvailable);
    QFETCH(bool, iconAdded);
    m_icon->setAvailable(trayAvailable);
    if (!iconAdded)
        m_controller->removeIcon();

    m_controller->sendToTray();

    QVERIFY(!m_console->isHidden());
    QVERIFY(m_console->isMinimized());
}

void TrayControllerTest::restoreClearsMinimisedAndMaximised()
{
    m_console->showMaximized();
    m_console->hide();
    m_controller->restore();
    QVERIFY(m_console->isVisible());
    QCOMPARE(m_console->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowStates());

    m_console->showMinimized();
    m_controller->restore();
    QVERIFY(!m_console->isMinimized());
}

void TrayControllerTest::singleActivationRestoresOnlyAConsoleOutOfSight()
{
    m_console->showMaximized();
    m_icon->activate(Activation::Trigger);
    QVERIFY(m_console->isMaximized());

    m_controller->sendToTray();
    m_icon->activate(Activation::Trigger);
    QVERIFY(m_console->isVisible());
    QVERIFY(!m_console->isMaximized());

    m_console->showMinimized();
    m_icon->activate(Activation::Trigger);
    QVERIFY(!m_console->isMinimized());
}

void TrayControllerTest::contextAndOtherActivationsLeaveTheConsoleAlone_data()
{
    QTest::addColumn<Activation>("reason");
    QTest::newRow("context") << Activation::Context;
    QTest::newRow("other") << Activation::Other;
}

void TrayControllerTest::contextAndOtherActivationsLeaveTheConsoleAlone()
{
    QFETCH(Activation, reason);
    m_controller->sendToTray();
    m_icon->activate(reason);
    QVERIFY(m_console->isHidden());

    m_controller->restore();
    m_icon->activate(reason);
    QVERIFY(m_console->isVisible());
}

void TrayControllerTest::startInTrayCheckActsOnItsFirstTickOnly_data()
{
    QTest::addColumn<bool>("tickedAtFirstTick");
    QTest::addColumn<bool>("hiddenAfterFirstTick");
    QTest::newRow("ticked") << true << true;
    QTest::newRow("unticked") << false << false;
}

void TrayControllerTest::startInTrayCheckActsOnItsFirstTickOnly()
{
    QFETCH(bool, tickedAtFirstTick);
    QFETCH(bool, hiddenAfterFirstTick);

    m_controller->startInTrayCheck(tickedAtFirstTick);
    QCOMPARE(m_console->isHidden(), hiddenAfterFirstTick);

    m_controller->restore();
    m_controller->startInTrayCheck(true);
    QVERIFY(m_console->isVisible());
}

void TrayControllerTest::qtIconUsesTheConsoleMenuAsContextMenu()
{
    QMenu m(QStringLiteral("Menu"));
    m.addAction(QStringLiteral("Load  Config"));
    m.addAction(QStringLiteral("Save Config"));
    m.addSeparator();
    m.addAction(QStringLiteral("Exit"));

    QtTrayIcon icon(ProductImages::programIcon(), &m);

    QCOMPARE(icon.contextMenu(), &m);
    QStringList entries;
    for (const QAction *action : icon.contextMenu()->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(entries, (QStringList{"Load  Config", "Save Config", "-", "Exit"}));
}

void TrayControllerTest::qtIconMapsActivationReasons_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("qtReason");
    QTest::addColumn<Activation>("reason");
    QTest::newRow("double-click") << QSystemTrayIcon::DoubleClick << Activation::DoubleClick;
    QTest::newRow("trigger") << QSystemTrayIcon::Trigger << Activation::Trigger;
    QTest::newRow("context") << QSystemTrayIcon::Context << Activation::Context;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << Activation::Other;
    QTest::newRow("unknown") << QSystemTrayIcon::Unknown << Activation::Other;
}

void TrayControllerTest::qtIconMapsActivationReasons()
{
    QFETCH(QSystemTrayIcon::ActivationReason, qtReason);
    QFETCH(Activation, reason);
    QMenu m;
    QtTrayIcon icon(QIcon(), &m);
    QSignalSpy spy(&icon, &TrayIcon::activated);
    auto *qtIcon = icon.findChild<QSystemTrayIcon *>();
    QVERIFY(qtIcon);

    emit qtIcon->activated(qtReason);

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<Activation>(), reason);
}

QTEST_MAIN(TrayControllerTest)
#include "TrayControllerTest.moc"
