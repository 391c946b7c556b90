#include "FakeSystemVolume.h"
#include "FakeTrayIcon.h"
#include "ManualClock.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"
#include "TestSounds.h"

#include "app/MainWindow.h"
#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/PauseControl.h"
#include "engine/SoundEngine.h"
#include "night/NightFeatures.h"
#include "night/windows/NightMenus.h"
#include "platform/OfflineAudioOutput.h"
#include "player/Player.h"
#include "settings/Preferences.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QTemporaryDir m_config;
    OfflineAudioOutput m_output;
    ScriptedUserMessages m_messages;
    ScriptedFileDialogs m_dialogs;

    std::unique_ptr<Player> m_player;

    Player &makePlayer(const QString &programFolder)
    {
        m_player = std::make_unique<Player>(
            Player::Services{&m_output, &m_dialogs, &m_messages, programFolder, m_config.path()});
        return *m_player;
    }

    std::unique_ptr<MainWindow> makeWindow(SystemVolume &volume)
    {
        m_messages.clear();
        auto window = std::make_unique<MainWindow>(makePlayer(m_folder.path()), MainWindow::Services{&volume, &m_messages});
        window->load();
        return window;
    }

    // A menu's captions without their mnemonics, "-" for a separator.
    static QStringList entriesOf(const QMenu *menu)
    {
        QStringList entries;
        for (const QAction *action : menu->actions())
            entries << (action->isSeparator() ? QStringLiteral("-") : action->text().remove(QLatin1Char('&')));
        return entries;
    }

    // Pixels whose brightness differs clearly between two pictures of the same place.
    static int clearDifferences(const QImage &a, const QImage &b)
    {
        int count = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x)
                count += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 90 ? 1 : 0;
        }
        return count;
    }

    static QImage pictureOf(MainWindow &window, QWidget *control)
    {
        return window.grab(QRect(control->mapTo(&window, QPoint()), control->size())).toImage();
    }

    template<typename T>
    static T *find(MainWindow &window, const char *name)
    {
        T *widget = window.findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qWarning("no control %s", name);
        return widget;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSounds::writeChannelSounds(m_folder.path(), [](int) { return 22050; }));
    }

    void startUpShowsAQuietConsoleWithEveryControl()
    {
        FakeSystemVolume volume;
        auto window = makeWindow(volume);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral(" Sonivale"));
        QVERIFY(m_messages.texts().isEmpty());
        QCOMPARE(volume.m_openCalls, 1);
        QVERIFY(volume.m_sent.isEmpty());
        QVERIFY(window->startInTrayTimer().isActive());
        QCOMPARE(window->startInTrayTimer().interval(), 500);

        for (const ChannelInfo &info : ChannelTable::channels()) {
            auto *toggle = find<QCheckBox>(*window, info.switchName);
            QVERIFY(toggle && toggle->isEnabled() && !toggle->isChecked());
            QCOMPARE(toggle->text(), QString::fromLatin1(info.caption));
            auto *readout = find<QLabel>(*window, info.readoutName);
            QCOMPARE(readout->text(), QStringLiteral("32000"));
            QVERIFY(!readout->isEnabled());
            const struct { const char *name; int min, max, value, small, large; QString accessible; } sliders[] = {
                {info.volumeName, -3000, 0, -2000, 1, 800, QStringLiteral("%1 volume")},
                {info.panName, -3000, 3000, 0, info.number == 1 ? 1000 : 1, 1700, QStringLiteral("%1 balance")},
                {info.frequencyName, 100, 32767, 32000, 1, 20000, QStringLiteral("%1 frequency")},
            };
            for (const auto &s : sliders) {
                auto *slider = find<QSlider>(*window, s.name);
                QVERIFY(slider);
                QCOMPARE(slider->minimum(), s.min);
                QCOMPARE(slider->maximum(), s.max);
                QCOMPARE(slider->value(), s.value);
                QCOMPARE(slider->singleStep(), s.small);
                QCOMPARE(slider->pageStep(), s.large);
                QCOMPARE(slider->accessibleName(), s.accessible.arg(QString::fromLatin1(info.caption)));
                QVERIFY(!slider->isEnabled());
            }
            QVERIFY(!m_player->engine().buffer(info.number)->isPlaying());
        }

        auto *master = find<QSlider>(*window, "HScroll2");
        QCOMPARE(master->minimum(), 0);
        QCOMPARE(master->maximum(), 32750);
        QCOMPARE(master->value(), 16000);
        QCOMPARE(master->singleStep(), 1500);
        QCOMPARE(master->pageStep(), 11000);
        auto *pan = find<QSlider>(*window, "HScroll1");
        QCOMPARE(pan->minimum(), -3000);
        QCOMPARE(pan->maximum(), 3000);
        QCOMPARE(pan->singleStep(), 1000);
        QCOMPARE(pan->pageStep(), 2000);

        const struct { const char *name; const char *caption; const char *tip; } buttons[] = {
            {"Command2", "Tray", "Send To System Tray"}, {"Command1", "Close", ""},
            {"Command3", "Record", "Record Your Sounds"}, {"Command4", "Mute", ""},
            {"Command9", "Save", "Save This Configuration"}, {"Command10", "Load", "Load A Saved Configuration"},
            {"Command8", "Resume Last ", "Reload Previous Settings"}, {"Command6", "Reset All", "Reset All Controls To Default"},
            {"Command7", "Exit", ""},
        };
        for (const auto &b : buttons) {
            auto *button = find<QPushButton>(*window, b.name);
            QVERIFY(button);
            QCOMPARE(button->text(), QString::fromLatin1(b.caption));
            QCOMPARE(button->toolTip(), QString::fromLatin1(b.tip));
        }
        QCOMPARE(find<QCheckBox>(*window, "Check6")->text(), QStringLiteral("Start In Tray"));
        QVERIFY(!find<QCheckBox>(*window, "Check6")->isChecked());

        const QStringList entries = entriesOf(window->trayMenu());
        QCOMPARE(entries, (QStringList{QStringLiteral("Load  Config"), QStringLiteral("Save Config"), QStringLiteral("-"),
                                       QStringLiteral("Exit")}));
        // The new entries live beside the console's menus: "Playback", and above "Menu"'s
        // entries in the tray icon's menu (see the next test).
        QCOMPARE(window->playbackMenu()->objectName(), QStringLiteral("playback"));
        QCOMPARE(window->menuBar()->actions().at(1), window->playbackMenu()->menuAction());
        QCOMPARE(entriesOf(window->trayPopupMenu()), entries);
        QSignalSpy exits(window.get(), &MainWindow::exitRequested);
        window->trayPopupMenu()->actions().at(3)->trigger();
        QCOMPARE(exits.count(), 1);
    }

    // Playback first and "Exit" last, where a hand reaching for "Pause" in the dark cannot
    // hit it; the program puts the night features into the menus just so.
    void theTrayMenuOpensWithPlaybackAndEndsWithExit()
    {
        FakeSystemVolume volume;
        auto window = makeWindow(volume);
        ManualClock clock;
        Preferences preferences(m_config.path());
        NightFeatures night(
            {&m_player->channels(), &m_player->engine(), &m_player->pauseControl(), &clock, &m_messages, &preferences, window.get()});
        NightMenus menus({&night, &m_dialogs, window.get(), m_config.path()});
        menus.addToMenus(window->playbackMenu(), window->trayPopupMenu());

        QCOMPARE(entriesOf(window->trayPopupMenu()),
                 (QStringList{"Pause", "Sleep Timer…", "Cancel Sleep Timer", "Scheduled Mixes…", "Drift", "-",
                              "Load  Config", "Save Config", "-", "Exit"}));
        window->trayPopupMenu()->actions().constFirst()->trigger();
        QVERIFY(m_player->pauseControl().isPaused());
        QSignalSpy exits(window.get(), &MainWindow::exitRequested);
        window->trayPopupMenu()->actions().constLast()->trigger();
        QCOMPARE(exits.count(), 1);
    }

    void theControlsDriveTheSoundAsTheUserMovesThem()
    {
        FakeSystemVolume volume;
        auto window = makeWindow(volume);
        auto *rain = find<QCheckBox>(*window, "Check7");
        rain->setChecked(true);
        ChannelBuffer *buffer = m_player->engine().buffer(6);
        QVERIFY(buffer->isPlaying());
        QCOMPARE(buffer->volume(), -2000);
        QCOMPARE(find<QLabel>(*window, "Label9")->text(), QStringLiteral("22050"));
        auto *rainVolume = find<QSlider>(*window, "HScroll18");
        QVERIFY(rainVolume->isEnabled());
        rainVolume->setFocus();
        QTest::keyClick(rainVolume, Qt::Key_PageUp);
        QCOMPARE(buffer->volume(), -1200);

        // Dragging: the channel sliders and the master volume follow the thumb at once.
        auto *rainFrequency = find<QSlider>(*window, "HScroll13");
        rainFrequency->setSliderDown(true);
        rainFrequency->setSliderPosition(16000);
        QCOMPARE(buffer->frequency(), 16000);
        QCOMPARE(find<QLabel>(*window, "Label9")->text(), QStringLiteral("16000"));
        rainFrequency->setSliderDown(false);

        auto *master = find<QSlider>(*window, "HScroll2");
        master->setSliderDown(true);
        master->setSliderPosition(32750);
        QCOMPARE(volume.m_sent.last(), 65172u);
        master->setSliderDown(false);

        // The master pan waits for the thumb's release.
        auto *pan = find<QSlider>(*window, "HScroll1");
        pan->setSliderDown(true);
        pan->setSliderPosition(-3000);
        QCOMPARE(buffer->pan(), 0);
        pan->setSliderDown(false);
        QCOMPARE(buffer->pan(), -3000);
        QCOMPARE(m_player->engine().buffer(1)->pan(), -3000);

        find<QPushButton>(*window, "Command4")->click();
        QCOMPARE(master->value(), 0);
        QCOMPARE(volume.m_sent.last(), 0u);
        find<QPushButton>(*window, "Command4")->click();
        QCOMPARE(master->value(), 32750);

        rain->setChecked(false);
        QVERIFY(!buffer->isPlaying());
        QVERIFY(!rainVolume->isEnabled());
        QCOMPARE(find<QLabel>(*window, "Label9")->text(), QStringLiteral("16000"));
    }

    void withoutASoundServerTheConsoleStillWorks()
    {
        FakeSystemVolume volume(false);
        auto window = makeWindow(volume);
        QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("Couldn't open the mixer.")});
        find<QSlider>(*window, "HScroll2")->setValue(100);
        find<QPushButton>(*window, "Command4")->click();
        QVERIFY(volume.m_sent.isEmpty());
        find<QCheckBox>(*window, "Check1")->setChecked(true);
        QVERIFY(m_player->engine().buffer(1)->isPlaying());
    }

    void missingSoundsAreNamedOnceAndTheirChannelsStayOff()
    {
        QTemporaryDir folder;
        QVERIFY(TestSounds::writeChannelSounds(folder.path(), [](int) { return 22050; }));
        QVERIFY(QFile::remove(folder.filePath(QStringLiteral("wind.Wav"))));
        QVERIFY(QFile::remove(folder.filePath(QStringLiteral("saw.Wav"))));
        FakeSystemVolume volume;
        m_messages.clear();
        MainWindow window(makePlayer(folder.path()), {&volume, &m_messages});
        window.load();
        QCOMPARE(m_messages.texts().size(), 1);
        QVERIFY(m_messages.texts().first().contains(folder.filePath(QStringLiteral("wind.Wav"))));
        QVERIFY(m_messages.texts().first().contains(folder.filePath(QStringLiteral("saw.Wav"))));
        auto *wind = find<QCheckBox>(window, "Check8");
        QVERIFY(!wind->isEnabled());
        wind->setChecked(true);
        QVERIFY(!wind->isChecked());
        QCOMPARE(m_player->channels().switchState(7), 0);
        find<QCheckBox>(window, "Check9")->setChecked(true);
        QVERIFY(m_player->engine().buffer(8)->isPlaying());

        // Resume Last reloads every channel's own sound, so a file gone since start-up shows.
        QVERIFY(QFile::remove(folder.filePath(QStringLiteral("radiostatic.Wav"))));
        window.close();
        find<QPushButton>(window, "Command8")->click();
        QVERIFY(!find<QCheckBox>(window, "Check15")->isEnabled());
        QVERIFY(find<QCheckBox>(window, "Check15")->toolTip().contains(QStringLiteral("radiostatic.Wav")));
        QVERIFY(find<QCheckBox>(window, "Check13")->isEnabled());
    }

    void closingTheConsoleWritesTheLastMixAndStopsTheSounds()
    {
        FakeSystemVolume volume;
        auto window = makeWindow(volume);
        QSignalSpy unloading(window.get(), &MainWindow::unloading);
        find<QCheckBox>(*window, "Check3")->setChecked(true);
        QVERIFY(window->close());
        QCOMPARE(unloading.count(), 1);
        QVERIFY(!m_player->engine().buffer(3)->isPlaying());
        QFile last(m_config.filePath(QStringLiteral("settings.ini")));
        QVERIFY(last.open(QIODevice::ReadOnly));
        QVERIFY(last.readAll().startsWith("0,0,1,0,0,-2000,"));
    }

    void startInTrayHidesTheConsoleOnceBehindItsIcon()
    {
        FakeSystemVolume volume;
        FakeTrayIcon icon;
        MainWindow window(makePlayer(m_folder.path()), {&volume, &m_messages});
        window.attachTrayIcon(icon);
        window.load();
        QVERIFY(icon.isShown());
        QVERIFY(window.isVisible());
        find<QCheckBox>(window, "Check6")->setChecked(true);
        window.startInTrayCheck();
        QVERIFY(!window.isVisible());
        QVERIFY(!window.startInTrayTimer().isActive());

        icon.activate(TrayIcon::Activation::DoubleClick);
        QVERIFY(window.isVisible());
        window.startInTrayCheck();
        QVERIFY(window.isVisible());

        find<QPushButton>(window, "Command2")->click();
        QVERIFY(!window.isVisible());
        QVERIFY(icon.isShown());
        icon.activate(TrayIcon::Activation::DoubleClick);
        find<QPushButton>(window, "Command1")->click();
        QVERIFY(!icon.isShown());
        QVERIFY(QFile::exists(m_config.filePath(QStringLiteral("settings.ini"))));
    }

    void aClosedConsoleNeverComesBackFromTheTray()
    {
        for (const char *closer : {"Command7", "close box"}) {
            FakeSystemVolume volume;
            FakeTrayIcon icon;
            MainWindow window(makePlayer(m_folder.path()), {&volume, &m_messages});
            window.attachTrayIcon(icon);
            window.load();
            if (qstrcmp(closer, "Command7") == 0)
                find<QPushButton>(window, closer)->click();
            else
                QVERIFY(window.close());
            QVERIFY2(!icon.isShown(), closer);
            icon.activate(TrayIcon::Activation::DoubleClick);
            icon.activate(TrayIcon::Activation::Trigger);
            window.startInTrayCheck();
            QVERIFY2(!window.isVisible(), closer);
        }
    }

    void theConsoleServesKeyboardAndScreenReaders()
    {
        FakeSystemVolume volume;
        auto window = makeWindow(volume);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));

        // Every menu and entry has one mnemonic on a letter of its caption, unique in its menu.
        QList<QMenu *> menus{window->trayMenu()};
        QString titles;
        for (QAction *menu : window->menuBar()->actions()) {
            titles += menu->text();
            menus << menu->menu();
        }
        QCOMPARE(titles, QStringLiteral("&Menu&Playback&Help"));
        for (QMenu *menu : menus) {
            QString letters;
            for (QAction *entry : menu->actions()) {
                if (entry->isSeparator())
                    continue;
                const qsizetype at = entry->text().indexOf(QLatin1Char('&'));
                QVERIFY2(at >= 0 && entry->text().count(QLatin1Char('&')) == 1, qPrintable(entry->text()));
                QVERIFY2(!letters.contains(entry->text()[at + 1].toLower()), qPrintable(entry->text()));
                letters += entry->text()[at + 1].toLower();
            }
        }
        QTest::keyClick(window.get(), Qt::Key_F10);
        QCOMPARE(window->menuBar()->activeAction(), window->trayMenu()->menuAction());
        QTRY_VERIFY(window->trayMenu()->isVisible());
        QTest::keyClick(window->trayMenu(), Qt::Key_Escape);
        QTest::keyClick(window->menuBar(), Qt::Key_Escape);
        QTRY_VERIFY(!window->trayMenu()->isVisible());
        QTest::keyClick(window.get(), Qt::Key_H, Qt::AltModifier);
        QCOMPARE(window->menuBar()->activeAction(), window->menuBar()->actions().at(2));
        QTest::keyClick(window->menuBar()->actions().at(2)->menu(), Qt::Key_Escape);

        // The readouts' value reaches screen readers with their name.
        auto *brown = find<QLabel>(*window, "Label1");
        const auto accessibleName = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
        QCOMPARE(accessibleName(brown), QStringLiteral("Brown Noise frequency in force: 32000 Hz"));
        find<QCheckBox>(*window, "Check1")->setChecked(true);
        QCOMPARE(accessibleName(brown), QStringLiteral("Brown Noise frequency in force: 22050 Hz"));
        find<QSlider>(*window, "HScroll8")->setValue(12345);
        QVERIFY(accessibleName(brown).endsWith(QStringLiteral(": 12345 Hz")));

        // On the dark picture a switch that is on, and the control with the focus, stand out.
        auto *rain = find<QCheckBox>(*window, "Check7");
        auto *rainVolume = find<QSlider>(*window, "HScroll18");
        const QRect place = rain->geometry();
        const QImage off = pictureOf(*window, rain);
        rain->setChecked(true);
        const QImage on = pictureOf(*window, rain);
        QVERIFY2(clearDifferences(off, on) >= 80, qPrintable(QString::number(clearDifferences(off, on))));
        const QImage unfocusedSlider = pictureOf(*window, rainVolume);
        rain->setFocus(Qt::TabFocusReason);
        QVERIFY(rain->hasFocus());
        const QImage focused = pictureOf(*window, rain);
        QVERIFY2(clearDifferences(on, focused) >= 150, qPrintable(QString::number(clearDifferences(on, focused))));
        QCOMPARE(rain->geometry(), place);
        rainVolume->setFocus(Qt::TabFocusReason);
        const QImage focusedSlider = pictureOf(*window, rainVolume);
        QVERIFY2(clearDifferences(unfocusedSlider, focusedSlider) >= 150,
                 qPrintable(QString::number(clearDifferences(unfocusedSlider, focusedSlider))));
    }

    void theMixButtonsReachTheMixCommands()
    {
        FakeSystemVolume volume;
        auto window = makeWindow(volume);
        find<QCheckBox>(*window, "Check6")->setChecked(true);
        find<QCheckBox>(*window, "Check12")->setChecked(true);
        find<QPushButton>(*window, "Command6")->click();
        QVERIFY(!find<QCheckBox>(*window, "Check6")->isChecked());
        QVERIFY(!find<QCheckBox>(*window, "Check12")->isChecked());
        QVERIFY(!m_player->engine().buffer(11)->isPlaying());

        const QString mix = m_config.filePath(QStringLiteral("mix.smf"));
        find<QCheckBox>(*window, "Check2")->setChecked(true);
        m_dialogs.answer(mix);
        find<QPushButton>(*window, "Command9")->click();
        QVERIFY(QFile::exists(mix));
        find<QCheckBox>(*window, "Check2")->setChecked(false);
        m_dialogs.answer(mix);
        find<QPushButton>(*window, "Command10")->click();
        QVERIFY(find<QCheckBox>(*window, "Check2")->isChecked());
        QVERIFY(m_player->engine().buffer(2)->isPlaying());

        window->close();
        ChannelBuffer *before = m_player->engine().buffer(2);
        find<QPushButton>(*window, "Command8")->click();
        QVERIFY(m_player->engine().buffer(2) != before);
        QVERIFY(m_player->engine().buffer(2)->isPlaying());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
