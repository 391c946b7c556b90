#include "platform/windows/QtUserMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QWidget>

namespace {

enum Parent { NoParent, VisibleParent, HiddenParent };

}

// The message boxes that wait for nobody, as the desktop shows them.
class QtUserMessagesTest : public QObject
{
    Q_OBJECT

private:
    static QList<QMessageBox *> openBoxes()
    {
        QList<QMessageBox *> boxes;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(window); box && box->isVisible())
                boxes << box;
        }
        return boxes;
    }

private slots:
    void aBoxThatWaitsForNobodyIsSeenWhereverTheWindowIs_data()
    {
        QTest::addColumn<int>("parent");
        QTest::addColumn<int>("tone");
        QTest::addColumn<bool>("overTheWindow");
        QTest::addColumn<int>("icon");
        QTest::newRow("over the visible console") << int(VisibleParent) << int(UserMessages::Tone::Warning) << true
                                                  << int(QMessageBox::Warning);
        QTest::newRow("console in the tray") << int(HiddenParent) << int(UserMessages::Tone::Information) << false
                                             << int(QMessageBox::Information);
        QTest::newRow("no window") << int(NoParent) << int(UserMessages::Tone::Plain) << false
                                   << int(QMessageBox::NoIcon);
    }

    void aBoxThatWaitsForNobodyIsSeenWhereverTheWindowIs()
    {
        QFETCH(int, parent);
        QFETCH(int, tone);
        QFETCH(bool, overTheWindow);
        QFETCH(int, icon);
        QWidget console;
        if (parent == VisibleParent)
            console.show();
        QtUserMessages messages;

        // Returns without an answer: a box that waited would never let this line run.
        messages.showWithoutWaiting(parent == NoParent ? nullptr : &console, UserMessages::Tone(tone),
                                    QStringLiteral("Heads up."));

        const QList<QMessageBox *> boxes = openBoxes();
        QCOMPARE(boxes.size(), 1);
        QPointer<QMessageBox> box = boxes.first();
        QCOMPARE(box->text(), QStringLiteral("Heads up."));
        QCOMPARE(int(box->icon()), icon);
        QCOMPARE(box->parentWidget() == &console, overTheWindow);
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!box->testAttribute(Qt::WA_QuitOnClose));

        // Start in the tray: the console hides after the box came up, and the box stays.
        console.hide();
        QVERIFY(box->isVisible());
        box->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(box.isNull());
    }
};

QTEST_MAIN(QtUserMessagesTest)
#include "QtUserMessagesTest.moc"
