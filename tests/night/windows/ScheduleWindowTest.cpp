#include "ScriptedFileDialogs.h"

#include "night/windows/ScheduleWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimeEdit>

// The schedule is edited in labelled fields for the selected entry, which Tab reaches.
class ScheduleWindowTest : public QObject
{
    Q_OBJECT

    template <typename T>
    static T *find(ScheduleWindow &window, const char *name)
    {
        return window.findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void theSelectedEntryIsEditedBelowTheTable()
    {
        ScriptedFileDialogs dialogs;
        const Preferences::ScheduleEntry evening{QTime(22, 30), QStringLiteral("/mixes/evening.smf"), 20, true, true};
        ScheduleWindow window({evening}, dialogs, QStringLiteral("/mixes"));
        window.show();
        auto *table = find<QTableWidget>(window, "schedule");
        QVERIFY(!table->tabKeyNavigation());
        for (QWidget *field : std::initializer_list<QWidget *>{find<QTimeEdit>(window, "time"), find<QSpinBox>(window, "glide"),
                                                               find<QComboBox>(window, "repeat")}) {
            const auto labels = window.findChildren<QLabel *>();
            QVERIFY(std::any_of(labels.begin(), labels.end(), [field](QLabel *label) { return label->buddy() == field; }));
        }
        QCOMPARE(find<QTimeEdit>(window, "time")->time(), QTime(22, 30));

        dialogs.answer(QStringLiteral("/mixes/morning.smf"));
        find<QPushButton>(window, "add")->click();
        QCOMPARE(dialogs.shown().constLast().folder, QStringLiteral("/mixes"));
        QCOMPARE(dialogs.shown().constLast().filter, QStringLiteral("Sonivale Mix Files (*.smf)"));
        QCOMPARE(table->currentRow(), 1);
        find<QTimeEdit>(window, "time")->setTime(QTime(6, 45));
        find<QSpinBox>(window, "glide")->setValue(30);
        find<QComboBox>(window, "repeat")->setCurrentIndex(0);
        find<QCheckBox>(window, "on")->setChecked(false);
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("06:45"));
        QCOMPARE(window.entries().at(0), evening);
        QCOMPARE(window.entries().at(1),
                 (Preferences::ScheduleEntry{QTime(6, 45), QStringLiteral("/mixes/morning.smf"), 30, false, false}));

        table->setCurrentCell(0, 1);
        QCOMPARE(find<QSpinBox>(window, "glide")->value(), 20);
        find<QPushButton>(window, "remove")->click();
        QCOMPARE(window.entries().size(), 1);
        QCOMPARE(window.entries().at(0).file, QStringLiteral("/mixes/morning.smf"));
        find<QPushButton>(window, "remove")->click();
        QVERIFY(window.entries().isEmpty());
        QVERIFY(!find<QPushButton>(window, "remove")->isEnabled());
        QVERIFY(!find<QTimeEdit>(window, "time")->isEnabled());
    }
};

QTEST_MAIN(ScheduleWindowTest)
#include "ScheduleWindowTest.moc"
