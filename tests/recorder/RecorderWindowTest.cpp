#include "recorder/RecorderWindow.h"

#include "product/ProgramPaths.h"
#include "recorder/RecorderTimers.h"
#include "widgets/AkLed.h"

#include "FakeCaptureDevice.h"
#include "ManualClock.h"
#include "ScriptedUserMessages.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class RecorderWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartShowsDesignValues();
    void firstStartCloseWritesSettings();
    void reopenCompactOrExpanded_data();
    void reopenCompactOrExpanded();
    void fifthFieldSelectsQuality();
    void shortFileAppliesWhatItHas();
    void damagedFieldsSkipped();
    void togglesFoldAndUnfold();
    void recordStopResetThroughButtons();
    void timersFollowTheState();
    void sizeReadoutFollowsStatusTick();
    void targetControlsFollowUser();
    void outputTypeAndQualityForwarded();
    void dragMovesOnlyWithLeftButton();
    void unwritableSettingsStillCloses();
    void captureFailureShowsWhyAndOffersSave_data();
    void captureFailureShowsWhyAndOffersSave();
    void unsavedTakeIsNeverLostSilently_data();
    void unsavedTakeIsNeverLostSilently();
    void sessionEndKeepsTheTakeForTheNextOpening();
    void windowStaysWholeAndOnScreen();
    void recordingHelpOpensTroubleshooting();
    void hooksForSaveAndConversion();
    void everyControlIsNamed();

private:
    RecorderWindow *open();
    // Closing deletes the window later; run that deletion now.
    void closeWindow();
    template<typename T> T *child(const char *name)
    {
        T *found = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    void writeSettings(const QByteArray &content);
    QByteArray readSettings() const;

    QTemporaryDir *m_dir = nullptr;
    FakeCaptureDevice *m_device = nullptr;
    ScriptedUserMessages *m_messages = nullptr;
    ManualClock *m_clock = nullptr;
    QPointer<RecorderWindow> m_window;
};

void RecorderWindowTest::init()
{
    QLocale::setDefault(QLocale::c());
    m_dir = new QTemporaryDir;
    ProgramPaths::overrideFolders(m_dir->path(), m_dir->path());
    m_device = new FakeCaptureDevice;
    m_messages = new ScriptedUserMessages;
    m_clock = new ManualClock;
}

void RecorderWindowTest::cleanup()
{
    delete m_window;
    delete m_device;
    delete m_messages;
    delete m_clock;
    delete m_dir;
}

RecorderWindow *RecorderWindowTest::open()
{
    m_window = new RecorderWindow(*m_device, *m_messages, *m_clock);
    m_window->show();
    QCoreApplication::processEvents();
    return m_window;
}

void RecorderWindowTest::closeWindow()
{
    m_window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void RecorderWindowTest::writeSettings(const QByteArray &content)
{
    QFile file(RecorderWindow::settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray RecorderWindowTest::readSettings() const
{
    QFile file(RecorderWindow::settingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void RecorderWindowTest::firstStartShowsDesignValues()
{
    open();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sound Recorder"));
    QCOMPARE(m_window->palette().color(QPalette::Window), QColor(128, 128, 128));
    QCOMPARE(child<QLabel>("Label7")->text(), QStringLiteral("700"));
    QCOMPARE(child<QLabel>("Label9")->text(), QStringLiteral("70"));
    QCOMPARE(child<QComboBox>("cbxformat")->count(), 16);
    QCOMPARE(child<QComboBox>("cbxformat")->currentText(), QStringLiteral("11.025kHz, 16bit Stereo, 43k/sec"));
    QVERIFY(child<QRadioButton>("Option2")->isChecked());
    QVERIFY(!child<QRadioButton>("Option1")->isChecked());
    QVERIFY(!child<QPushButton>("Command1")->isEnabled());
    QVERIFY(!child<QPushButton>("Command5")->isEnabled());
    QVERIFY(child<QPushButton>("Command2")->isVisible());
    QVERIFY(!child<QPushButton>("Command3")->isVisible());
    QVERIFY(child<QPushButton>("Command8")->isVisible());
    QVERIFY(child<QPushButton>("Command9")->isVisible());
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("READY"));
    QCOMPARE(child<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("00:00:00"));
    QCOMPARE(child<AkLed>("akLED1")->ledColour(), 255u);
    QVERIFY(child<QAction>("high")->isChecked());
    QVERIFY(!child<QAction>("low")->isChecked());
    QCOMPARE(m_window->frameGeometry().height(), 335);
    QCOMPARE(m_device->commands(), (QStringList{"close all", "open new type waveaudio alias capture"}));
}

void RecorderWindowTest::firstStartCloseWritesSettings()
{
    open();
    m_window->move(40, 60);
    QCoreApplication::processEvents();
    const QRect frame = m_window->frameGeometry();
    m_device->clearCommands();
    closeWindow();
    QVERIFY(m_window.isNull());
    QCOMPARE(m_device->commands(), QStringList{"close capture"});
    const QByteArray expected = "0,0,700,70,7," + QByteArray::number(frame.height() * 15) + ","
        + QByteArray::number(frame.x() * 15) + "," + QByteArray::number(frame.y() * 15)
        + ",#FALSE#,#TRUE#,0\r\n";
    QCOMPARE(readSettings(), expected);
    QCOMPARE(readSettings(), QByteArray("0,0,700,70,7,5025,600,900,#FALSE#,#TRUE#,0\r\n"));
}

void RecorderWindowTest::reopenCompactOrExpanded_data()
{
    QTest::addColumn<QByteArray>("height");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("expandShown");
    QTest::newRow("compact") << QByteArray("2150") << 143 << true;
    QTest::newRow("expanded") << QByteArray("5025") << 335 << false;
    QTest::newRow("between") << QByteArray("2500") << 167 << true;
    QTest::newRow("tall") << QByteArray("3000") << 200 << false;
}

void RecorderWindowTest::reopenCompactOrExpanded()
{
    QFETCH(QByteArray, height);
    QFETCH(int, pixels);
    QFETCH(bool, expandShown);
    writeSettings("0,0,700,70,7," + height + ",150,300,#FALSE#,#TRUE#,0\r\n");
    open();
    QCOMPARE(m_window->frameGeometry().height(), pixels);
    QCOMPARE(m_window->pos(), QPoint(10, 20));
    QCOMPARE(child<QPushButton>("Command8")->isVisible(), expandShown);
    QCOMPARE(child<QPushButton>("Command9")->isVisible(), !expandShown);
}

void RecorderWindowTest::fifthFieldSelectsQuality()
{
    writeSettings("0,0,700,70,15,5025,0,0,#FALSE#,#TRUE#,0\r\n");
    open();
    QCOMPARE(child<QComboBox>("cbxformat")->currentText(), QStringLiteral("44.100Hz, 16bit Stereo, 172k/sec"));
}

void RecorderWindowTest::shortFileAppliesWhatItHas()
{
    writeSettings("1,1,50");
    open();
    QVERIFY(child<QCheckBox>("Check1")->isChecked());
    QVERIFY(child<QCheckBox>("Check2")->isChecked());
    QCOMPARE(child<QScrollBar>("HScroll1")->value(), 50);
    QCOMPARE(child<QLabel>("Label7")->text(), QStringLiteral("50"));
    QCOMPARE(child<QScrollBar>("HScroll2")->value(), 70);
    QCOMPARE(child<QComboBox>("cbxformat")->currentIndex(), 7);
    QVERIFY(child<QRadioButton>("Option2")->isChecked());
    // The missing height reads as 0: the window folds to its compact height, not to nothing.
    QCOMPARE(m_window->frameGeometry().height(), 143);
    QVERIFY(child<QPushButton>("Command8")->isVisible());
    QVERIFY(!child<QPushButton>("Command9")->isVisible());
    QCOMPARE(m_window->pos(), QPoint(0, 0));
}

void RecorderWindowTest::damagedFieldsSkipped()
{
    writeSettings("x,1,5000,20,abc,2150,15,30,#MAYBE#,#TRUE#,1\r\n");
    open();
    QVERIFY(!child<QCheckBox>("Check1")->isChecked());
    QVERIFY(child<QCheckBox>("Check2")->isChecked());
    QCOMPARE(child<QLabel>("Label7")->text(), QStringLiteral("700"));
    QCOMPARE(child<QLabel>("Label9")->text(), QStringLiteral("20"));
    QCOMPARE(child<QComboBox>("cbxformat")->currentIndex(), 7);
    QCOMPARE(m_window->frameGeometry().height(), 143);
    QCOMPARE(m_window->pos(), QPoint(1, 2));
    closeWindow();
    QVERIFY(readSettings().endsWith(",#FALSE#,#TRUE#,1\r\n"));
}

void RecorderWindowTest::togglesFoldAndUnfold()
{
    open();
    QTest::mouseClick(child<QPushButton>("Command9"), Qt::LeftButton);
    QCOMPARE(m_window->frameGeometry().height(), 143);
    QVERIFY(!child<QPushButton>("Command9")->isVisible());
    QVERIFY(child<QPushButton>("Command8")->isVisible());
    QTest::mouseClick(child<QPushButton>("Command8"), Qt::LeftButton);
    QCOMPARE(m_window->frameGeometry().height(), 335);
    QVERIFY(child<QPushButton>("Command9")->isVisible());
    QVERIFY(!child<QPushButton>("Command8")->isVisible());
    closeWindow();
    QVERIFY(readSettings().startsWith("0,0,700,70,7,5025,"));
}

void RecorderWindowTest::recordStopResetThroughButtons()
{
    open();
    auto *recordNow = child<QPushButton>("Command2");
    auto *stop = child<QPushButton>("Command3");
    m_device->clearCommands();
    QTest::mouseClick(recordNow, Qt::LeftButton);
    QCOMPARE(m_device->commands(),
             (QStringList{"set capture samplespersec 11025 channels 2 bitspersample 16 alignment 4 bytespersec 44100",
                          "record capture"}));
    QVERIFY(!recordNow->isVisible());
    QVERIFY(stop->isVisible() && stop->isEnabled());
    QCOMPARE(stop->geometry(), recordNow->geometry());
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("RECORDING"));
    QCOMPARE(child<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(!child<QRadioButton>("Option1")->isEnabled());
    QVERIFY(!child<QRadioButton>("Option2")->isEnabled());

    m_clock->advance(2000);
    m_window->controller().clockTick();
    QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("00:00:02"));

    m_device->setLength(4000);
    QTest::mouseClick(stop, Qt::LeftButton);
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("RESET/TEST"));
    QCOMPARE(child<AkLed>("akLED1")->ledColour(), 65535u);
    QVERIFY(stop->isVisible() && !stop->isEnabled());
    QVERIFY(!recordNow->isVisible() && !recordNow->isEnabled());
    QVERIFY(child<QPushButton>("Command1")->isEnabled());
    QVERIFY(child<QPushButton>("Command5")->isEnabled());
    QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("00:00:02"));

    child<QCheckBox>("Check1")->setChecked(true);
    m_device->clearCommands();
    m_messages->queueSaveChoice(UserMessages::SaveChoice::Discard);
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(m_device->commands(),
             (QStringList{"close capture", "close all", "open new type waveaudio alias capture"}));
    QVERIFY(readSettings().startsWith("1,0,700,70,7,"));
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("READY"));
    QCOMPARE(child<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    QCOMPARE(child<AkLed>("akLED1")->ledColour(), 255u);
    QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("00:00:00"));
    QCOMPARE(child<QLabel>("Label3")->text(), QStringLiteral("0\r\n"));
    QVERIFY(recordNow->isVisible() && recordNow->isEnabled());
    QVERIFY(!stop->isVisible());
    QVERIFY(!child<QPushButton>("Command1")->isEnabled());
    QVERIFY(child<QCheckBox>("Check1")->isChecked());
    QVERIFY(child<QRadioButton>("Option2")->isEnabled());
}

void RecorderWindowTest::timersFollowTheState()
{
    open();
    const RecorderTimers &timers = m_window->timers();
    QVERIFY(timers.statusTimer().isActive());
    QCOMPARE(timers.statusTimer().interval(), 19);
    QVERIFY(!timers.clockTimer().isActive());
    QVERIFY(!timers.stopCheckTimer().isActive());
    m_window->controller().recordNow();
    QVERIFY(timers.clockTimer().isActive());
    QCOMPARE(timers.clockTimer().interval(), 1000);
    QVERIFY(timers.stopCheckTimer().isActive());
    QCOMPARE(timers.stopCheckTimer().interval(), 1000);
    m_window->controller().stop();
    QVERIFY(!timers.clockTimer().isActive());
    QVERIFY(!timers.stopCheckTimer().isActive());
    m_window->controller().stopStatusTick();
    QVERIFY(!timers.statusTimer().isActive());
}

void RecorderWindowTest::sizeReadoutFollowsStatusTick()
{
    open();
    m_window->controller().recordNow();
    m_device->setLength(1500000);
    m_window->controller().statusTick();
    QCOMPARE(child<QLabel>("Label3")->text(), QStringLiteral("1.5\r\n"));
    // Screen readers hear the values, not only the names.
    QCOMPARE(child<QLabel>("Label3")->accessibleDescription(), QStringLiteral("1.5"));
    QCOMPARE(child<QLabel>("Label1")->accessibleDescription(), QStringLiteral("RECORDING"));
}

void RecorderWindowTest::targetControlsFollowUser()
{
    open();
    auto *check = child<QCheckBox>("Check1");
    auto *slider = child<QScrollBar>("HScroll1");
    check->setChecked(true);
    check->setChecked(false);
    QVERIFY(!slider->isEnabled());
    QVERIFY(!child<QLabel>("Label7")->isEnabled());
    QVERIFY(!child<QLabel>("Label8")->isEnabled());
    QTest::mouseClick(check, Qt::LeftButton);
    QVERIFY(slider->isEnabled());
    QCOMPARE(m_window->controller().view().stopAtSize, 1);
    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(child<QLabel>("Label7")->text(), QStringLiteral("900"));
    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(child<QLabel>("Label7")->text(), QStringLiteral("1000"));
    slider->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(child<QLabel>("Label7")->text(), QStringLiteral("1"));
    auto *length = child<QScrollBar>("HScroll2");
    length->setFocus();
    QTest::keyClick(length, Qt::Key_Right);
    QCOMPARE(child<QLabel>("Label9")->text(), QStringLiteral("71"));
    QCOMPARE(m_window->controller().view().targetLength, 71);
}

void RecorderWindowTest::outputTypeAndQualityForwarded()
{
    open();
    child<QRadioButton>("Option1")->setChecked(true);
    QVERIFY(m_window->controller().view().mp3Chosen);
    child<QComboBox>("cbxformat")->setCurrentIndex(0);
    QCOMPARE(m_window->controller().view().qualityIndex, 0);
    closeWindow();
    QVERIFY(readSettings().startsWith("0,0,700,70,0,"));
    QVERIFY(readSettings().endsWith(",#TRUE#,#FALSE#,0\r\n"));
}

void RecorderWindowTest::dragMovesOnlyWithLeftButton()
{
    open();
    m_window->move(100, 100);
    QWidget *body = m_window->findChild<QWidget *>(QStringLiteral("body"));
    QVERIFY(body);
    const QPoint start(300, 276);
    QVERIFY(body->childAt(start) == nullptr);
    const auto send = [body](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, body->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(body, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseMove, start + QPoint(30, 40), Qt::NoButton, Qt::RightButton);
    QCOMPARE(m_window->pos(), QPoint(100, 100));
    send(QEvent::MouseButtonRelease, start + QPoint(30, 40), Qt::RightButton, Qt::NoButton);

    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(m_window->pos(), QPoint(130, 140));
    send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);

    // A press on a control is not a press on the background.
    QWidget *frame = m_window->findChild<QWidget *>(QStringLiteral("Frame1"));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 40), frame->mapToGlobal(QPointF(2, 40)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &press);
    send(QEvent::MouseMove, start + QPoint(5, 5), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(m_window->pos(), QPoint(130, 140));
}

void RecorderWindowTest::unwritableSettingsStillCloses()
{
    QVERIFY(QDir().mkpath(RecorderWindow::settingsPath()));
    open();
    closeWindow();
    QVERIFY(m_window.isNull());
    // A folder in the file's place is reported once when it is not read, once when it is
    // not written.
    QCOMPARE(m_messages->messages().size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(m_messages->messages().at(i).kind, ScriptedUserMessages::Kind::Warn);
        QVERIFY(m_messages->texts().at(i).contains(QDir::toNativeSeparators(RecorderWindow::settingsPath())));
    }
    QVERIFY(m_messages->texts().first().contains(QStringLiteral("was not read")));
}

void RecorderWindowTest::captureFailureShowsWhyAndOffersSave_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("advice");
    QTest::newRow("sound recorded") << qint64(4000) << "What was recorded until then is kept; you can save it.";
    QTest::newRow("nothing recorded") << qint64(0) << "Nothing was recorded, so there is nothing to save.";
}

void RecorderWindowTest::captureFailureShowsWhyAndOffersSave()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, advice);
    open();
    m_window->controller().recordNow();
    m_device->setLength(bytes);
    const QString reason = QStringLiteral("The recording stopped because it could not be written to disk in /x: "
                                          "No space left on device");
    m_device->breakOff(reason);
    QCOMPARE(m_messages->texts(), QStringList{reason + "\n\n" + advice});
    QCOMPARE(m_messages->messages().first().parent.data(), static_cast<QWidget *>(m_window.data()));
    QCOMPARE(child<QPushButton>("Command5")->isEnabled(), bytes > 0);
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("RESET/TEST"));
}

void RecorderWindowTest::unsavedTakeIsNeverLostSilently_data()
{
    using Choice = UserMessages::SaveChoice;
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("stopFirst");
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("saves");
    QTest::addColumn<bool>("goesOn");
    for (const QString how : {"Close", "close box", "Reset"}) {
        const QByteArray way = how.toUtf8();
        QTest::newRow(way + ", go back") << how << true << int(Choice::GoBack) << false << false;
        QTest::newRow(way + ", discard") << how << true << int(Choice::Discard) << false << true;
        QTest::newRow(way + ", save") << how << true << int(Choice::Save) << true << true;
        // Reset is not offered while recording.
        if (how != "Reset")
            QTest::newRow(way + ", save while recording") << how << false << int(Choice::Save) << true << true;
        QTest::newRow(way + ", save cancelled") << how << true << int(Choice::Save) << false << false;
    }
}

void RecorderWindowTest::unsavedTakeIsNeverLostSilently()
{
    QFETCH(QString, how);
    QFETCH(bool, stopFirst);
    QFETCH(int, choice);
    QFETCH(bool, saves);
    QFETCH(bool, goesOn);
    open();
    int saveRequests = 0;
    connect(m_window, &RecorderWindow::saveRequested, m_window, [&] {
        ++saveRequests;
        QCOMPARE(m_window->controller().view().state, RecorderController::State::Stopped);
        if (saves)
            m_window->controller().markSaved();
    });
    m_window->controller().recordNow();
    m_device->setLength(4000);
    if (stopFirst)
        child<QPushButton>("Command3")->click();
    m_messages->queueSaveChoice(UserMessages::SaveChoice(choice));
    m_device->clearCommands();

    if (how == "Close")
        child<QPushButton>("cmdClose")->click();
    else if (how == "close box")
        m_window->close();
    else
        child<QPushButton>("Command1")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(m_messages->messages().size(), 1);
    QCOMPARE(m_messages->messages().at(0).kind, ScriptedUserMessages::Kind::AskToSave);
    QCOMPARE(saveRequests, choice == int(UserMessages::SaveChoice::Save) ? 1 : 0);
    QCOMPARE(m_device->commands().contains("close capture"), goesOn);
    if (how == "Reset" || !goesOn) {
        QVERIFY(m_window);
        QCOMPARE(m_window->controller().view().state,
                 goesOn ? RecorderController::State::Ready : RecorderController::State::Stopped);
        QCOMPARE(m_device->isOpen(), true);
    } else {
        QVERIFY(!m_window);
    }

    // A saved take, or none, goes without a question.
    if (m_window && m_window->controller().view().state == RecorderController::State::Ready) {
        m_messages->clear();
        closeWindow();
        QVERIFY(!m_window);
        QVERIFY(m_messages->messages().isEmpty());
    }
}

void RecorderWindowTest::sessionEndKeepsTheTakeForTheNextOpening()
{
    open();
    m_window->controller().recordNow();
    m_device->setLength(88200);
    m_window->endSession();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_window);
    QVERIFY2(m_messages->messages().isEmpty(), "nobody is there to answer");
    QVERIFY(m_device->commands().contains("stop capture"));
    QVERIFY(m_device->commands().contains("keep capture"));
    QVERIFY(readSettings().startsWith("0,0,700,70,7,"));
    QVERIFY(m_device->leftTake());

    // Offered once at the next opening; taken back, it is a stopped take ready to save.
    m_messages->queueAnswer(true);
    open();
    QCOMPARE(m_messages->messages().size(), 1);
    QCOMPARE(m_messages->messages().at(0).kind, ScriptedUserMessages::Kind::Ask);
    QVERIFY2(m_messages->texts().at(0).startsWith("A recording from ")
                 && m_messages->texts().at(0).contains(" was not saved."), qPrintable(m_messages->texts().at(0)));
    QCOMPARE(m_window->controller().view().state, RecorderController::State::Stopped);
    QVERIFY(child<QPushButton>("Command5")->isEnabled());
    QCOMPARE(child<QLabel>("Label3")->text(), QStringLiteral("0.0882\r\n"));
    QVERIFY(!m_device->leftTake());
    QVERIFY(m_window->controller().hasUnsavedTake());

    // A take with nothing in it is not kept; declining a left take lets it go.
    m_messages->clear();
    m_device->setLeftTake(LeftTake{"old.wav", QDateTime::currentDateTime(), 10});
    m_messages->queueSaveChoice(UserMessages::SaveChoice::Discard);
    child<QPushButton>("Command1")->click();
    QCOMPARE(m_messages->messages().size(), 2);
    QCOMPARE(m_window->controller().view().state, RecorderController::State::Ready);
    QVERIFY(!m_device->leftTake());
    m_window->endSession();
    QVERIFY(!m_device->leftTake());
}

void RecorderWindowTest::windowStaysWholeAndOnScreen()
{
    // A damaged file's height and place stay within the screen.
    writeSettings("0,0,700,70,7,30000000000,-900000,99999999,#FALSE#,#TRUE#,0\r\n");
    open();
    const QRect screen = m_window->screen()->availableGeometry();
    QVERIFY(screen.contains(m_window->frameGeometry()));

    // The compact height cuts between groups, never through one.
    child<QPushButton>("Command9")->click();
    QCoreApplication::processEvents();
    const QWidget *body = child<QWidget>("body");
    QStringList shown;
    for (const QWidget *group : body->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!group->isVisibleTo(m_window))
            continue;
        shown.append(group->objectName());
        QVERIFY2(group->geometry().bottom() < body->height(), qPrintable(group->objectName()));
    }
    for (const char *top : {"Frame1", "Frame2", "Frame3", "Command1", "cmdClose"})
        QVERIFY2(shown.contains(top), top);
    QVERIFY(!shown.contains("Frame5"));
    child<QPushButton>("Command8")->click();
    QCoreApplication::processEvents();
    QVERIFY(child<QWidget>("Frame5")->isVisible());
}

void RecorderWindowTest::recordingHelpOpensTroubleshooting()
{
    open();
    QTest::mouseClick(child<QPushButton>("Command6"), Qt::LeftButton);
    QWidget *help = m_window->findChild<QWidget *>(QStringLiteral("Form14"));
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowTitle(), QStringLiteral("Troubleshooting Recording Problems"));
    int boldQuestions = 0;
    for (const QLabel *label : help->findChildren<QLabel *>())
        boldQuestions += label->font().bold() && label->text().endsWith(QLatin1Char('?')) ? 1 : 0;
    QCOMPARE(boldQuestions, 3);
    QTest::mouseClick(child<QPushButton>("Command6"), Qt::LeftButton);
    QCOMPARE(m_window->findChildren<QWidget *>(QStringLiteral("Form14")).size(), 1);
}

void RecorderWindowTest::hooksForSaveAndConversion()
{
    open();
    QSignalSpy save(m_window.data(), &RecorderWindow::saveRequested);
    QSignalSpy convert(m_window.data(), &RecorderWindow::convertRequested);
    QTest::mouseClick(child<QPushButton>("Command10"), Qt::LeftButton);
    QCOMPARE(convert.count(), 1);
    QTest::mouseClick(child<QPushButton>("Command5"), Qt::LeftButton);
    QCOMPARE(save.count(), 0);
    m_window->controller().recordNow();
    m_device->setLength(4000);
    m_window->controller().stop();
    QTest::mouseClick(child<QPushButton>("Command5"), Qt::LeftButton);
    QCOMPARE(save.count(), 1);
}

void RecorderWindowTest::everyControlIsNamed()
{
    open();
    for (const QWidget *w : m_window->findChildren<QWidget *>()) {
        if (w->focusPolicy() == Qt::NoFocus || qobject_cast<const QLabel *>(w))
            continue;
        const auto *button = qobject_cast<const QAbstractButton *>(w);
        const bool named = !w->accessibleName().isEmpty() || (button && !button->text().isEmpty());
        if (!named && w->objectName() != QLatin1String("qt_scrollarea_viewport"))
            QVERIFY2(!w->isVisibleTo(m_window) || w->parentWidget()->inherits("QComboBox"),
                     qPrintable(w->objectName() + QStringLiteral(" has no accessible name")));
    }
    QVERIFY(!child<AkLed>("akLED1")->accessibleName().isEmpty());
}

QTEST_MAIN(RecorderWindowTest)
#include "RecorderWindowTest.moc"
