#include "FakeSystemVolume.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"
#include "TestSounds.h"

#include "app/MainWindow.h"
#include "engine/ChannelBuffer.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "player/Player.h"
#include "sounds/SoundChooser.h"
#include "sounds/windows/SoundMenus.h"
#include "sounds/windows/SoundsWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The console's ways to choose a channel's sound: the menu of its switch and the "Sounds…"
// window, wired as the program wires them, offscreen.
class SoundMenusTest : public QObject
{
    Q_OBJECT

    struct Console
    {
        Console(const QString &programFolder, const QString &configFolder)
            : player({&output, &dialogs, &messages, programFolder, configFolder})
            , window(player, {&volume, &messages})
            , menus({&player.soundChooser(), &dialogs, &window})
        {
            menus.addToMenu(window.playbackMenu());
            QObject::connect(&window, &MainWindow::soundMenuRequested, &menus, &SoundMenus::popUp);
            window.load();
        }

        QCheckBox *rainSwitch() const { return window.findChild<QCheckBox *>(QStringLiteral("Check7")); }
        bool rainIsLive() { return player.engine().buffer(6)->sound().isLive(); }

        // The switch's menu as the menu key brings it up.
        QMenu *openRainMenu()
        {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4), rainSwitch()->mapToGlobal(QPoint(4, 4)));
            QApplication::sendEvent(rainSwitch(), &event);
            return qobject_cast<QMenu *>(QApplication::activePopupWidget());
        }

        OfflineAudioOutput output;
        ScriptedUserMessages messages;
        ScriptedFileDialogs dialogs;
        FakeSystemVolume volume;
        Player player;
        MainWindow window;
        SoundMenus menus;
    };

    QTemporaryDir m_program;
    QTemporaryDir m_config;

    static QAction *find(const QMenu *menu, const QString &text)
    {
        for (QAction *action : menu->actions()) {
            if (action->text().remove(QLatin1Char('&')) == text)
                return action;
            if (action->menu()) {
                if (QAction *inner = find(action->menu(), text))
                    return inner;
            }
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        // Not the shipped sounds, so a channel's own sound is stored and a chosen one live.
        QVERIFY(TestSounds::writeChannelSounds(m_program.path(), [](int) { return 22050; }));
    }

    void cleanup()
    {
        QFile::remove(m_config.filePath(QStringLiteral("preferences.ini")));
    }

    // The switch keeps its caption; its tooltip and name say what it plays.
    void theSwitchMenuChoosesAndRestores()
    {
        Console console(m_program.path(), m_config.path());
        QMenu *menu = console.openRainMenu();
        QVERIFY(menu);
        QVERIFY(menu->isVisible());
        QVERIFY(find(menu, QStringLiteral("Own Sound (Rain)"))->isChecked());
        QVERIFY(!find(menu, QStringLiteral("Restore"))->isEnabled());
        QVERIFY(!find(menu, QStringLiteral("Rain")));
        find(menu, QStringLiteral("Brook"))->trigger();
        menu->close();

        QCheckBox *rain = console.rainSwitch();
        QCOMPARE(rain->text(), QStringLiteral("Rain"));
        QCOMPARE(rain->toolTip(), QStringLiteral("Rain \u2014 playing: Brook"));
        QCOMPARE(rain->accessibleName(), QStringLiteral("Rain \u2014 playing: Brook"));
        QVERIFY(console.rainIsLive());

        menu = console.openRainMenu();
        QVERIFY(find(menu, QStringLiteral("Brook"))->isChecked());
        find(menu, QStringLiteral("Restore"))->trigger();
        menu->close();
        QCOMPARE(rain->accessibleName(), QStringLiteral("Rain"));
        QVERIFY(rain->toolTip().isEmpty());
        QVERIFY(!console.rainIsLive());
        QVERIFY(console.messages.texts().isEmpty());
    }

    // A choice that comes while a file chosen before it is still being measured, as from two
    // quick starts, stands: the file, measured last, does not undo it.
    void theLatestChoiceStands()
    {
        Console console(m_program.path(), m_config.path());
        const QString night = m_config.filePath(QStringLiteral("Long Night.wav"));
        QVERIFY(TestSounds::writeSine(night, 48000, 48000 * 60, 200.0, 0.3));
        const SoundChoice brook = SoundChoice::builtIn(QStringLiteral("brook"));
        bool laterChosen = false;
        QTimer::singleShot(0, &console.window, [&] { laterChosen = console.menus.choose(6, brook, &console.window); });
        QVERIFY(!console.menus.choose(6, SoundChoice::file(night), &console.window));
        QVERIFY(laterChosen);
        QCOMPARE(console.player.soundChooser().choice(6), brook);
        QVERIFY(console.messages.texts().isEmpty());
    }

    // Shift+F10 on a focused switch, the desktops' keyboard way to a context menu, opens it.
    void shiftF10OpensTheSwitchMenu()
    {
        Console console(m_program.path(), m_config.path());
        console.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&console.window));
        console.rainSwitch()->setFocus();
        QTest::keyClick(console.rainSwitch(), Qt::Key_F10, Qt::ShiftModifier);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(find(menu, QStringLiteral("Own Sound (Rain)")));
        menu->close();
    }

    // The window lists every channel, changes and restores each, takes the user's file,
    // and follows what the switches' menus choose.
    void theSoundsWindowChoosesForEveryChannel()
    {
        Console console(m_program.path(), m_config.path());
        QAction *open = console.window.playbackMenu()->findChild<QAction *>(QStringLiteral("sounds"));
        QVERIFY(open);
        open->trigger();
        SoundsWindow *window = console.menus.window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("mixNote"))->text(), QString::fromUtf8(SoundsWindow::mixNote));
        for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
            QVERIFY(window->soundBox(channel)->focusPolicy() & Qt::TabFocus);
            QVERIFY(!window->soundBox(channel)->accessibleName().isEmpty());
            QVERIFY(!window->restoreButton(channel)->isEnabled());
        }

        QComboBox *rain = window->soundBox(6);
        QCOMPARE(rain->accessibleName(), QStringLiteral("Rain sound"));
        rain->setCurrentIndex(rain->findText(QStringLiteral("Purr")));
        QCOMPARE(console.player.soundChooser().choice(6), SoundChoice::builtIn(QStringLiteral("purr")));
        QCOMPARE(console.rainSwitch()->accessibleName(), QStringLiteral("Rain \u2014 playing: Purr"));
        QVERIFY(window->restoreButton(6)->isEnabled());

        // A cancelled dialog changes nothing; a chosen file plays and shows by its name.
        rain->setCurrentIndex(rain->findText(QStringLiteral("Your File\u2026")));
        QCOMPARE(rain->currentText(), QStringLiteral("Purr"));
        const QString sea = m_config.filePath(QStringLiteral("Sea Night.wav"));
        QVERIFY(TestSounds::writeSine(sea, 22050, 2205, 300.0, 0.3));
        console.dialogs.answer(sea);
        rain->setCurrentIndex(rain->findText(QStringLiteral("Your File\u2026")));
        QCOMPARE(rain->currentText(), QStringLiteral("Sea Night.wav"));
        QCOMPARE(console.player.engine().buffer(6)->sound().file()->path(), sea);
        QCOMPARE(console.rainSwitch()->toolTip(), QStringLiteral("Rain \u2014 playing: Sea Night.wav"));

        window->restoreButton(6)->click();
        QCOMPARE(rain->currentText(), QStringLiteral("Own Sound (Rain)"));
        QVERIFY(!window->restoreButton(6)->isEnabled());

        QMenu *menu = console.openRainMenu();
        find(menu, QStringLiteral("Train"))->trigger();
        menu->close();
        QCOMPARE(rain->currentText(), QStringLiteral("Train"));
        QVERIFY(console.messages.texts().isEmpty());
    }
};

QTEST_MAIN(SoundMenusTest)
#include "SoundMenusTest.moc"
