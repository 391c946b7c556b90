#include "ConsoleRig.h"
#include "ManualClock.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"

#include "engine/OutputPause.h"
#include "night/NightFeatures.h"
#include "night/windows/NightMenus.h"
#include "night/SleepTimer.h"
#include "settings/Preferences.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

// The night features as the menus and the tray show them.
class NightMenusTest : public QObject
{
    Q_OBJECT

private slots:
    void theMenusShowAndRememberWhatIsGoingOn()
    {
        ConsoleRig rig;
        QVERIFY(rig.ready());
        QTemporaryDir config;
        ManualClock clock;
        OutputPause pause(rig.mixer().outputGain());
        ScriptedUserMessages messages;
        ScriptedFileDialogs dialogs;
        Preferences preferences(config.path());
        QWidget window;
        NightFeatures night({&rig.controls(), &rig.engine(), &pause, &clock, &messages, &preferences, &window});
        NightMenus menus({&night, &dialogs, &window, config.path()});
        QMenu playback;
        QMenu tray;
        menus.addToMenus(&playback, &tray);
        QSignalSpy status(&night, &NightFeatures::statusChanged);

        QStringList entries;
        for (QAction *action : playback.actions())
            entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(entries, (QStringList{"&Pause", "-", "&Sleep Timer…", "&Cancel Sleep Timer", "-", "Scheduled &Mixes…", "-",
                                       "&Drift", "Drift Dept&h"}));
        QCOMPARE(menus.pauseAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Space));

        // The tray's entries stand for the same actions and follow them.
        QAction *trayPause = tray.actions().at(0);
        QCOMPARE(tray.actions().size(), 5);
        menus.pauseAction()->trigger();
        QVERIFY(pause.isPaused());
        QCOMPARE(menus.pauseAction()->text(), QStringLiteral("&Play"));
        QCOMPARE(trayPause->text(), QStringLiteral("&Play"));
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("Paused"));
        trayPause->trigger();
        QVERIFY(!pause.isPaused());

        QVERIFY(!menus.cancelSleepAction()->isEnabled());
        Preferences::Sleep plan;
        plan.minutes = 90;
        night.sleepTimer().start(plan);
        QCOMPARE(menus.sleepAction()->text(), QStringLiteral("&Sleep Timer… (1:30:00 left)"));
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("Sleep timer: 1 h 30 min left"));
        clock.advance(89 * 60'000 + 55'000);
        night.sleepTimer().tick();
        QCOMPARE(menus.sleepAction()->text(), QStringLiteral("&Sleep Timer… (0:05 left)"));
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("Sleep timer: 1 min left"));
        menus.cancelSleepAction()->trigger();
        QCOMPARE(menus.sleepAction()->text(), QStringLiteral("&Sleep Timer…"));
        QCOMPARE(status.last().at(0).toString(), QString());

        menus.driftAction()->setChecked(true);
        QCOMPARE(rig.mixer().drift().depth(), Preferences::Drift{}.depth);
        night.setDrift(true, 600);
        QCOMPARE(rig.mixer().drift().depth(), 600);
        QCOMPARE(Preferences(config.path()).drift(), (Preferences::Drift{true, 600, 1}));
        menus.driftAction()->setChecked(false);
        QCOMPARE(rig.mixer().drift().depth(), 0);
        QVERIFY(messages.texts().isEmpty());

        // A depth edited by hand that the menu does not offer plays as the menu shows it.
        QString reason;
        QVERIFY(preferences.setDrift({true, 250, 1}, &reason));
        NightFeatures edited({&rig.controls(), &rig.engine(), &pause, &clock, &messages, &preferences, &window});
        QCOMPARE(rig.mixer().drift().depth(), Preferences::Drift{}.depth);
    }
};

QTEST_MAIN(NightMenusTest)
#include "NightMenusTest.moc"
