#include "FakeAudioSinks.h"

#include "app/PlayOnMenu.h"
#include "output/SinkChoice.h"
#include "platform/OfflineAudioOutput.h"

#include <QAction>
#include <QTest>

// The Playback menu's "Play On" as the user meets it.
class PlayOnMenuTest : public QObject
{
    Q_OBJECT

private:
    static QStringList entries(const QMenu &menu)
    {
        QStringList shown;
        for (QAction *action : menu.actions())
            shown << (action->isChecked() ? QStringLiteral("*") : QString()) + action->text();
        return shown;
    }

private slots:
    void theEntriesFollowTheSinksAndAChoiceIsTaken()
    {
        FakeAudioSinks sinks;
        OfflineAudioOutput output;
        SinkChoice choice(sinks, output, QStringLiteral("usb"));
        PlayOnMenu menu(choice);
        QCOMPARE(menu.title(), QStringLiteral("Play &On"));
        sinks.list({{QStringLiteral("hdmi"), QStringLiteral("Bass & Treble")}, {QStringLiteral("usb"), QStringLiteral("Headset")}});
        const QString byDefault = SinkChoice::defaultCaption();
        QCOMPARE(entries(menu), (QStringList{byDefault, "Bass && Treble", "*Headset"}));

        // By keyboard, as menus are reached: down to the second entry, and Enter.
        menu.popup({0, 0});
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        menu.setActiveAction(menu.actions().at(0));
        QTest::keyClick(&menu, Qt::Key_Down);
        QTest::keyClick(&menu, Qt::Key_Return);
        QTRY_COMPARE(choice.chosen(), QStringLiteral("hdmi"));
        QCOMPARE(output.sink(), QStringLiteral("hdmi"));
        QCOMPARE(entries(menu), (QStringList{byDefault, "*Bass && Treble", "Headset"}));

        sinks.list({{QStringLiteral("usb"), QStringLiteral("Headset")}});
        QCOMPARE(entries(menu), (QStringList{byDefault, "Headset", "*Bass && Treble (absent)"}));
        QCOMPARE(output.sink(), QString());

        menu.actions().at(0)->trigger();
        QTRY_VERIFY(choice.chosen().isEmpty());
        QCOMPARE(entries(menu), (QStringList{"*" + byDefault, "Headset"}));
    }
};

QTEST_MAIN(PlayOnMenuTest)
#include "PlayOnMenuTest.moc"
