#include "widgets/MirrorAction.h"

#include <QAccessible>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

class MirrorActionTest : public QObject
{
    Q_OBJECT

private slots:
    void followsTheOriginalAndChoosesIt()
    {
        QMenu first;
        QMenu second;
        QAction *drift = first.addAction(QStringLiteral("&Drift"));
        drift->setCheckable(true);
        first.addSeparator();
        QAction *pause = first.addAction(QStringLiteral("&Pause"));
        pause->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
        MirrorAction::addMirrors(&second, first.actions());
        const QList<QAction *> mirrors = second.actions();
        QCOMPARE(mirrors.size(), 3);
        QVERIFY(mirrors.at(1)->isSeparator());
        QCOMPARE(mirrors.at(2)->shortcut(), pause->shortcut());

        pause->setText(QStringLiteral("&Play"));
        pause->setEnabled(false);
        QCOMPARE(mirrors.at(2)->text(), QStringLiteral("&Play"));
        QVERIFY(!mirrors.at(2)->isEnabled());

        QSignalSpy toggled(drift, &QAction::toggled);
        mirrors.at(0)->trigger();
        QCOMPARE(toggled.count(), 1);
        QVERIFY(drift->isChecked() && mirrors.at(0)->isChecked());
        drift->setChecked(false);
        QVERIFY(!mirrors.at(0)->isChecked());

        delete drift;
        mirrors.at(0)->trigger();
    }

    // Shared actions took the first menu as their place for assistive tools.
    void eachMenusEntriesAreItsOwnToAssistiveTools()
    {
        QMenu first;
        QMenu second;
        first.addAction(QStringLiteral("&Exit"));
        MirrorAction::addMirrors(&second, first.actions());
        QAccessibleInterface *firstMenu = QAccessible::queryAccessibleInterface(&first);
        QVERIFY(firstMenu && firstMenu->child(0));
        QAccessibleInterface *secondMenu = QAccessible::queryAccessibleInterface(&second);
        QAccessibleInterface *entry = secondMenu->child(0);
        QVERIFY(entry);
        QCOMPARE(entry->parent()->object(), &second);
        QCOMPARE(entry->text(QAccessible::Name), QStringLiteral("Exit"));
    }
};

QTEST_MAIN(MirrorActionTest)
#include "MirrorActionTest.moc"
