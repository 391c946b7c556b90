#include "recorder/RecorderController.h"

#include "recorder/QualityTable.h"

#include "FakeCaptureDevice.h"
#include "ManualClock.h"
#include "ScriptedUserMessages.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QString sizeMessage = QStringLiteral(
    "Recording Stopped. The specified filesize was reached. Your file is ready to save.");
const QString lengthMessage = QStringLiteral(
    "Recording Stopped. The specified time limit was reached. Your file is ready to save.");

struct Rig
{
    FakeCaptureDevice device;
    ScriptedUserMessages messages;
    ManualClock clock;
    RecorderController controller{device, messages, clock};

    explicit Rig(const std::optional<RecorderSettings> &saved = std::nullopt)
    {
        controller.load(saved);
        device.clearCommands();
    }

    // One second of a running recording: the clock tick, then the stop check.
    void second()
    {
        clock.advance(1000);
        controller.clockTick();
        controller.stopCheckTick();
    }
};

}

class RecorderControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void readyAfterLoad();
    void loadClosesAllThenOpens();
    void recordNowSendsFormatThenRecord_data();
    void recordNowSendsFormatThenRecord();
    void recordingState();
    void recordNowOnlyInAFreshWindow();
    void noQualitySelectedSendsIncompleteFormat();
    void stopState();
    void stopKeepsClockAndSize();
    void sizeReadout_data();
    void sizeReadout();
    void sizeReadoutFollowsLocaleAndIsReadBack();
    void statusTickKeepsLastValueWhenDeviceCannotAnswer();
    void statusTickStopsAfterSaveClosedDevice();
    void clockShowsWallTimeSinceStart();
    void stopBySizeAtExactlyOneMegabyte();
    void stopBySizeShowsGreenBehindMessage();
    void stopByLengthAfterSixtyTicks();
    void bothConditionsMetShowsOnlySizeMessage();
    void neitherConditionRunsOn();
    void uncheckedConditionIsIgnored();
    void targetsChangeWhileRecording();
    void counterPassesSixteenBits();
    void captureFailureStopsAndKeepsRecording();
    void captureFailureOutsideRecordingIsIgnored();
    void checkBoxesGreyTheirTargets();
    void targetsRejectOutOfRange();
    void savedChoicesApplied();
    void damagedSavedFieldsSkipped();
    void saveToCarriesChoices();
    void resetReturnsToReady();
    void unloadClosesDeviceAndTimers();
};

void RecorderControllerTest::readyAfterLoad()
{
    Rig rig;
    const auto &v = rig.controller.view();
    QCOMPARE(v.state, RecorderController::State::Ready);
    QCOMPARE(v.statusText, QStringLiteral("READY"));
    QCOMPARE(v.statusColour, RecorderController::green);
    QCOMPARE(v.lampColour, RecorderController::red);
    QCOMPARE(v.clockText, QStringLiteral("00:00:00"));
    QVERIFY(v.recordNowVisible && v.recordNowEnabled);
    QVERIFY(!v.stopVisible && !v.stopEnabled);
    QVERIFY(!v.resetEnabled);
    QVERIFY(!v.saveEnabled);
    QVERIFY(v.outputTypeEnabled);
    QVERIFY(v.statusTickOn);
    QVERIFY(!v.clockTickOn && !v.stopCheckOn);
    QCOMPARE(v.targetSizeText, QStringLiteral("700"));
    QCOMPARE(v.targetLengthText, QStringLiteral("70"));
    QCOMPARE(v.qualityIndex, QualityTable::defaultIndex);
    QVERIFY(!v.mp3Chosen);
    QCOMPARE(v.stopAtSize, 0);
    QCOMPARE(v.stopAtLength, 0);
    QCOMPARE(rig.controller.elapsedTicks(), 0);
}

void RecorderControllerTest::loadClosesAllThenOpens()
{
    FakeCaptureDevice device;
    ScriptedUserMessages messages;
    ManualClock clock;
    RecorderController controller(device, messages, clock);
    controller.load(std::nullopt);
    QCOMPARE(device.commands(), (QStringList{"close all", "open new type waveaudio alias capture"}));
    QVERIFY(device.isOpen());
}

void RecorderControllerTest::recordNowSendsFormatThenRecord_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("format");
    QTest::newRow("entry 1") << 0
        << "set capture samplespersec 8000 channels 1 bitspersample 8 alignment 1 bytespersec 8000";
    QTest::newRow("entry 8") << 7
        << "set capture samplespersec 11025 channels 2 bitspersample 16 alignment 4 bytespersec 44100";
    QTest::newRow("entry 15") << 14
        << "set capture samplespersec 44100 channels 1 bitspersample 16 alignment 2 bytespersec 88200";
    QTest::newRow("entry 16") << 15
        << "set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400";
}

void RecorderControllerTest::recordNowSendsFormatThenRecord()
{
    QFETCH(int, index);
    QFETCH(QString, format);
    Rig rig;
    QVERIFY(rig.controller.setQualityIndex(index));
    rig.controller.recordNow();
    QCOMPARE(rig.device.commands(), (QStringList{format, "record capture"}));
    QVERIFY(rig.device.isRecording());
}

void RecorderControllerTest::recordingState()
{
    Rig rig;
    QSignalSpy changed(&rig.controller, &RecorderController::changed);
    rig.controller.recordNow();
    const auto &v = rig.controller.view();
    QCOMPARE(v.state, RecorderController::State::Recording);
    QCOMPARE(v.statusText, QStringLiteral("RECORDING"));
    QCOMPARE(v.statusColour, RecorderController::red);
    QCOMPARE(v.lampColour, RecorderController::red);
    QCOMPARE(v.clockText, QStringLiteral("00:00:00"));
    QVERIFY(!v.recordNowVisible);
    QVERIFY(v.stopVisible && v.stopEnabled);
    QVERIFY(!v.resetEnabled && !v.saveEnabled);
    QVERIFY(!v.outputTypeEnabled);
    QVERIFY(v.clockTickOn && v.stopCheckOn && v.statusTickOn);
    QVERIFY(changed.count() >= 1);
}

void RecorderControllerTest::recordNowOnlyInAFreshWindow()
{
    Rig rig;
    rig.controller.recordNow();
    rig.controller.recordNow();
    rig.controller.stop();
    rig.controller.recordNow();
    QCOMPARE(rig.device.commands().count(QStringLiteral("record capture")), 1);
    QCOMPARE(rig.controller.view().state, RecorderController::State::Stopped);
}

void RecorderControllerTest::noQualitySelectedSendsIncompleteFormat()
{
    Rig rig;
    QVERIFY(rig.controller.setQualityIndex(-1));
    rig.controller.recordNow();
    QCOMPARE(rig.device.commands(),
             (QStringList{"set capture samplespersec  channels  bitspersample  alignment 0 bytespersec 0",
                          "record capture"}));
    QCOMPARE(rig.controller.view().state, RecorderController::State::Recording);
}

void RecorderControllerTest::stopState()
{
    Rig rig;
    rig.controller.recordNow();
    rig.device.clearCommands();
    rig.second();
    rig.device.setLength(4000);
    rig.controller.stop();
    const auto &v = rig.controller.view();
    QCOMPARE(v.state, RecorderController::State::Stopped);
    QCOMPARE(v.statusText, QStringLiteral("RESET/TEST"));
    QCOMPARE(v.statusColour, RecorderController::yellow);
    QCOMPARE(v.lampColour, RecorderController::yellow);
    QVERIFY(!v.recordNowVisible && !v.recordNowEnabled);
    QVERIFY(v.stopVisible && !v.stopEnabled);
    QVERIFY(v.resetEnabled && v.saveEnabled);
    QVERIFY(!v.outputTypeEnabled);
    QVERIFY(!v.clockTickOn && !v.stopCheckOn);
    QVERIFY(v.statusTickOn);
    QCOMPARE(rig.controller.elapsedTicks(), 0);
    QCOMPARE(rig.device.commands(), QStringList{"stop capture"});
    rig.controller.stop();
    QCOMPARE(rig.device.commands(), QStringList{"stop capture"});
}

void RecorderControllerTest::stopKeepsClockAndSize()
{
    Rig rig;
    rig.controller.recordNow();
    for (int i = 0; i < 5; ++i)
        rig.second();
    rig.device.setLength(2500000);
    rig.controller.statusTick();
    rig.controller.stop();
    rig.clock.advance(10000);
    rig.controller.clockTick();
    rig.controller.statusTick();
    QCOMPARE(rig.controller.view().clockText, QStringLiteral("00:00:05"));
    QCOMPARE(rig.controller.view().sizeText, QStringLiteral("2.5\r\n"));
}

void RecorderControllerTest::sizeReadout_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << qint64(0) << "0\r\n";
    QTest::newRow("one and a half") << qint64(1500000) << "1.5\r\n";
    QTest::newRow("one decimal megabyte") << qint64(1000000) << "1\r\n";
    QTest::newRow("one binary megabyte") << qint64(1048576) << "1.048576\r\n";
    QTest::newRow("a few bytes") << qint64(44) << "0.000044\r\n";
    QTest::newRow("large, no separators") << qint64(1234567891) << "1234.567891\r\n";
}

void RecorderControllerTest::sizeReadout()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    Rig rig;
    rig.controller.recordNow();
    QSignalSpy spy(&rig.controller, &RecorderController::sizeTextChanged);
    rig.device.setLength(7);
    rig.controller.statusTick();
    rig.device.setLength(bytes);
    rig.controller.statusTick();
    QCOMPARE(rig.controller.view().sizeText, text);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().at(0).toString(), text);
}

void RecorderControllerTest::sizeReadoutFollowsLocaleAndIsReadBack()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Rig rig;
    rig.controller.setStopAtSize(1);
    rig.controller.setTargetSize(2);
    rig.controller.recordNow();
    rig.device.setLength(1500000);
    rig.controller.statusTick();
    QCOMPARE(rig.controller.view().sizeText, QStringLiteral("1,5\r\n"));
    QCOMPARE(rig.controller.currentMegabytes(), 1.5);
    rig.device.setLength(2500000);
    rig.controller.statusTick();
    rig.second();
    QCOMPARE(rig.messages.texts(), QStringList{sizeMessage});
}

void RecorderControllerTest::statusTickKeepsLastValueWhenDeviceCannotAnswer()
{
    Rig rig;
    rig.controller.recordNow();
    rig.device.setLength(3000000);
    rig.controller.statusTick();
    rig.device.setLength(std::nullopt);
    rig.controller.statusTick();
    QCOMPARE(rig.controller.view().sizeText, QStringLiteral("3\r\n"));
    rig.controller.stop();
    rig.device.setLength(4000000);
    rig.device.close();
    rig.controller.statusTick();
    QCOMPARE(rig.controller.view().sizeText, QStringLiteral("3\r\n"));
}

void RecorderControllerTest::statusTickStopsAfterSaveClosedDevice()
{
    Rig rig;
    rig.controller.recordNow();
    rig.device.setLength(1000000);
    rig.controller.statusTick();
    rig.controller.stop();
    rig.controller.stopStatusTick();
    QVERIFY(!rig.controller.view().statusTickOn);
    const int queries = rig.device.lengthQueries();
    rig.device.setLength(9000000);
    rig.controller.statusTick();
    QCOMPARE(rig.device.lengthQueries(), queries);
    QCOMPARE(rig.controller.view().sizeText, QStringLiteral("1\r\n"));
}

void RecorderControllerTest::clockShowsWallTimeSinceStart()
{
    Rig rig;
    rig.clock.advance(400); // Record Now in the middle of a second: the start is kept to the second
    rig.controller.recordNow();
    QCOMPARE(rig.controller.view().clockText, QStringLiteral("00:00:00"));
    rig.clock.advance(3 * 3600 * 1000 + 25 * 60 * 1000 + 7 * 1000);
    rig.controller.clockTick();
    QCOMPARE(rig.controller.view().clockText, QStringLiteral("03:25:07"));
    QCOMPARE(rig.controller.elapsedTicks(), 1);
    rig.clock.advance(24 * 3600 * 1000);
    rig.controller.clockTick();
    QCOMPARE(rig.controller.view().clockText, QStringLiteral("03:25:07"));
    rig.clock.advance(-30 * 3600 * 1000);
    rig.controller.clockTick();
    QCOMPARE(rig.controller.view().clockText, QStringLiteral("00:00:00"));
}

void RecorderControllerTest::stopBySizeAtExactlyOneMegabyte()
{
    Rig rig;
    QVERIFY(rig.controller.setStopAtSize(1));
    QVERIFY(rig.controller.setTargetSize(1));
    rig.controller.recordNow();
    rig.device.clearCommands();
    rig.device.setLength(999999);
    rig.controller.statusTick();
    rig.second();
    QVERIFY(rig.messages.messages().isEmpty());
    QCOMPARE(rig.controller.view().state, RecorderController::State::Recording);

    rig.device.setLength(1000000);
    rig.controller.statusTick();
    rig.second();
    QCOMPARE(rig.messages.texts(), QStringList{sizeMessage});
    QCOMPARE(rig.messages.messages().first().kind, ScriptedUserMessages::Kind::Notice);
    QCOMPARE(rig.device.commands(), QStringList{"stop capture"});
    const auto &v = rig.controller.view();
    QCOMPARE(v.state, RecorderController::State::Stopped);
    QCOMPARE(v.statusText, QStringLiteral("RESET/TEST"));
    QCOMPARE(v.statusColour, RecorderController::yellow);
    QCOMPARE(v.lampColour, RecorderController::yellow);
    QVERIFY(!v.recordNowVisible && !v.recordNowEnabled);
    QVERIFY(v.stopVisible && !v.stopEnabled);
    QVERIFY(v.resetEnabled && v.saveEnabled);
    QVERIFY(!v.clockTickOn && !v.stopCheckOn);
    QCOMPARE(rig.controller.elapsedTicks(), 0);
}

void RecorderControllerTest::stopBySizeShowsGreenBehindMessage()
{
    Rig rig;
    rig.controller.setStopAtSize(1);
    rig.controller.setTargetSize(1);
    rig.controller.recordNow();
    RecorderController::View behind;
    rig.messages.setObserver([&](const ScriptedUserMessages::Message &) { behind = rig.controller.view(); });
    rig.device.setLength(5000000);
    rig.controller.statusTick();
    rig.second();
    QCOMPARE(behind.statusText, QStringLiteral("RECORDING"));
    QCOMPARE(behind.statusColour, RecorderController::green);
    QCOMPARE(behind.lampColour, RecorderController::red);
    QVERIFY(behind.resetEnabled && behind.saveEnabled && !behind.stopEnabled);
}

void RecorderControllerTest::stopByLengthAfterSixtyTicks()
{
    Rig rig;
    rig.controller.setStopAtLength(1);
    rig.controller.setTargetLength(1);
    rig.controller.recordNow();
    RecorderController::View behind;
    rig.messages.setObserver([&](const ScriptedUserMessages::Message &) { behind = rig.controller.view(); });
    rig.device.clearCommands();
    for (int i = 0; i < 59; ++i)
        rig.second();
    QVERIFY(rig.messages.messages().isEmpty());
    QCOMPARE(rig.controller.elapsedTicks(), 59);
    rig.second();
    QCOMPARE(rig.messages.texts(), QStringList{lengthMessage});
    QCOMPARE(rig.device.commands(), QStringList{"stop capture"});
    QCOMPARE(rig.controller.view().clockText, QStringLiteral("00:01:00"));
    QCOMPARE(rig.controller.view().state, RecorderController::State::Stopped);
    QCOMPARE(rig.controller.view().statusText, QStringLiteral("RESET/TEST"));
    QCOMPARE(rig.controller.view().lampColour, RecorderController::yellow);
    QCOMPARE(behind.statusText, QStringLiteral("RECORDING"));
    QCOMPARE(behind.statusColour, RecorderController::red);
    QCOMPARE(rig.controller.elapsedTicks(), 0);
}

void RecorderControllerTest::bothConditionsMetShowsOnlySizeMessage()
{
    Rig rig;
    rig.controller.setStopAtSize(1);
    rig.controller.setTargetSize(1);
    rig.controller.setStopAtLength(1);
    rig.controller.setTargetLength(1);
    rig.controller.recordNow();
    for (int i = 0; i < 59; ++i)
        rig.second();
    rig.device.setLength(2000000);
    rig.controller.statusTick();
    rig.second();
    QCOMPARE(rig.messages.texts(), QStringList{sizeMessage});
}

void RecorderControllerTest::neitherConditionRunsOn()
{
    Rig rig;
    rig.controller.setTargetSize(1);
    rig.controller.setTargetLength(1);
    rig.controller.recordNow();
    rig.device.setLength(900000000);
    rig.controller.statusTick();
    for (int i = 0; i < 200; ++i)
        rig.second();
    QVERIFY(rig.messages.messages().isEmpty());
    QCOMPARE(rig.controller.view().state, RecorderController::State::Recording);
    QCOMPARE(rig.controller.elapsedTicks(), 200);
}

void RecorderControllerTest::uncheckedConditionIsIgnored()
{
    Rig rig;
    rig.controller.setStopAtSize(1);
    rig.controller.setTargetSize(1);
    rig.controller.setStopAtSize(0);
    rig.controller.setStopAtLength(1);
    rig.controller.setTargetLength(2);
    rig.controller.recordNow();
    rig.device.setLength(5000000);
    rig.controller.statusTick();
    for (int i = 0; i < 119; ++i)
        rig.second();
    QVERIFY(rig.messages.messages().isEmpty());
    rig.second();
    QCOMPARE(rig.messages.texts(), QStringList{lengthMessage});
}

void RecorderControllerTest::targetsChangeWhileRecording()
{
    Rig rig;
    rig.controller.setStopAtSize(1);
    rig.controller.recordNow();
    rig.device.setLength(50000000);
    rig.controller.statusTick();
    rig.second();
    QVERIFY(rig.messages.messages().isEmpty());
    QVERIFY(rig.controller.setTargetSize(50));
    rig.second();
    QCOMPARE(rig.messages.texts(), QStringList{sizeMessage});
}

void RecorderControllerTest::counterPassesSixteenBits()
{
    Rig rig;
    rig.controller.setStopAtLength(1);
    rig.controller.setTargetLength(100);
    rig.controller.recordNow();
    rig.controller.setStopAtLength(0);
    for (int i = 0; i < 40000; ++i) {
        rig.controller.clockTick();
        rig.controller.stopCheckTick();
    }
    QCOMPARE(rig.controller.elapsedTicks(), 40000);
    QVERIFY(rig.messages.messages().isEmpty());
    rig.controller.setStopAtLength(1);
    rig.controller.stopCheckTick();
    QCOMPARE(rig.messages.texts(), QStringList{lengthMessage});
}

void RecorderControllerTest::captureFailureStopsAndKeepsRecording()
{
    Rig rig;
    rig.controller.recordNow();
    rig.device.setLength(1500000);
    rig.controller.statusTick();
    rig.device.clearCommands();
    rig.device.breakOff(QStringLiteral("The sound server went away."));
    const auto &v = rig.controller.view();
    QCOMPARE(v.state, RecorderController::State::Stopped);
    QVERIFY(v.saveEnabled && v.resetEnabled);
    QVERIFY(!v.clockTickOn && !v.stopCheckOn);
    QCOMPARE(rig.device.commands(), QStringList{"stop capture"});
    QCOMPARE(rig.messages.messages().size(), 1);
    QCOMPARE(rig.messages.messages().first().kind, ScriptedUserMessages::Kind::Warn);
    QVERIFY(rig.messages.texts().first().contains(QStringLiteral("The sound server went away.")));
    QVERIFY(rig.messages.texts().first().contains(QStringLiteral("save")));
    QString error;
    QVERIFY(rig.device.save(QStringLiteral("/tmp/take.wav"), &error));
}

void RecorderControllerTest::captureFailureOutsideRecordingIsIgnored()
{
    Rig rig;
    rig.device.breakOff(QStringLiteral("late"));
    QCOMPARE(rig.controller.view().state, RecorderController::State::Ready);
    rig.controller.recordNow();
    rig.controller.stop();
    rig.device.breakOff(QStringLiteral("late"));
    QVERIFY(rig.messages.messages().isEmpty());
}

void RecorderControllerTest::checkBoxesGreyTheirTargets()
{
    Rig rig;
    // The targets start usable; only an unchecking greys them.
    QVERIFY(rig.controller.view().targetSizeControlsEnabled);
    QVERIFY(rig.controller.setStopAtSize(1));
    QVERIFY(rig.controller.view().targetSizeControlsEnabled);
    QVERIFY(rig.controller.setStopAtSize(0));
    QVERIFY(!rig.controller.view().targetSizeControlsEnabled);
    QVERIFY(rig.controller.view().targetLengthControlsEnabled);
    rig.controller.setStopAtLength(1);
    rig.controller.setStopAtLength(0);
    QVERIFY(!rig.controller.view().targetLengthControlsEnabled);
    rig.controller.setStopAtLength(1);
    QVERIFY(rig.controller.view().targetLengthControlsEnabled);
}

void RecorderControllerTest::targetsRejectOutOfRange()
{
    Rig rig;
    QVERIFY(!rig.controller.setStopAtSize(2));
    QVERIFY(!rig.controller.setTargetSize(0));
    QVERIFY(!rig.controller.setTargetSize(1001));
    QVERIFY(!rig.controller.setTargetLength(101));
    QVERIFY(!rig.controller.setQualityIndex(16));
    QVERIFY(!rig.controller.setQualityIndex(-2));
    QCOMPARE(rig.controller.view().targetSize, 700);
    QCOMPARE(rig.controller.view().targetLength, 70);
    QCOMPARE(rig.controller.view().qualityIndex, 7);
    QVERIFY(rig.controller.setTargetSize(900));
    QCOMPARE(rig.controller.view().targetSizeText, QStringLiteral("900"));
    QVERIFY(rig.controller.setTargetLength(1));
    QCOMPARE(rig.controller.view().targetLengthText, QStringLiteral("1"));
}

void RecorderControllerTest::savedChoicesApplied()
{
    RecorderSettings saved = RecorderSettings::parse("1,1,25,3,15,2150,30,45,#TRUE#,#FALSE#,2\r\n");
    Rig rig(saved);
    const auto &v = rig.controller.view();
    QCOMPARE(v.stopAtSize, 1);
    QCOMPARE(v.stopAtLength, 1);
    QCOMPARE(v.targetSize, 25);
    QCOMPARE(v.targetSizeText, QStringLiteral("25"));
    QCOMPARE(v.targetLength, 3);
    QCOMPARE(v.targetLengthText, QStringLiteral("3"));
    QCOMPARE(v.qualityIndex, 15);
    QVERIFY(v.mp3Chosen);
    QVERIFY(v.targetSizeControlsEnabled && v.targetLengthControlsEnabled);
    rig.controller.recordNow();
    QCOMPARE(rig.device.commands().first(),
             QStringLiteral("set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400"));
}

void RecorderControllerTest::damagedSavedFieldsSkipped()
{
    Rig rig(RecorderSettings::parse("7,x,2000,5,99,abc"));
    const auto &v = rig.controller.view();
    QCOMPARE(v.stopAtSize, 0);
    QCOMPARE(v.stopAtLength, 0);
    QCOMPARE(v.targetSize, 700);
    QCOMPARE(v.targetLength, 5);
    QCOMPARE(v.targetLengthText, QStringLiteral("5"));
    QCOMPARE(v.qualityIndex, 7);
    QVERIFY(!v.mp3Chosen);
}

void RecorderControllerTest::saveToCarriesChoices()
{
    Rig rig;
    rig.controller.setStopAtLength(1);
    rig.controller.setTargetSize(12);
    rig.controller.setQualityIndex(3);
    rig.controller.setMp3Chosen(true);
    RecorderSettings settings;
    rig.controller.saveTo(settings);
    QCOMPARE(settings.stopAtSize, 0);
    QCOMPARE(settings.stopAtLength, 1);
    QCOMPARE(settings.targetSize, 12);
    QCOMPARE(settings.targetLength, 70);
    QCOMPARE(settings.qualityIndex, 3);
    QCOMPARE(settings.mp3Chosen, true);
    QCOMPARE(settings.wavChosen, false);
}

void RecorderControllerTest::resetReturnsToReady()
{
    Rig rig;
    rig.controller.recordNow();
    rig.device.setLength(3000000);
    rig.controller.statusTick();
    for (int i = 0; i < 3; ++i)
        rig.second();
    rig.controller.stop();
    rig.device.clearCommands();

    RecorderSettings settings;
    rig.controller.saveTo(settings);
    rig.controller.unload();
    rig.controller.load(settings);
    rig.controller.restartClock();
    rig.controller.statusTick();

    QCOMPARE(rig.device.commands(),
             (QStringList{"close capture", "close all", "open new type waveaudio alias capture"}));
    const auto &v = rig.controller.view();
    QCOMPARE(v.state, RecorderController::State::Ready);
    QCOMPARE(v.statusText, QStringLiteral("READY"));
    QCOMPARE(v.statusColour, RecorderController::green);
    QCOMPARE(v.lampColour, RecorderController::red);
    QCOMPARE(v.clockText, QStringLiteral("00:00:00"));
    QCOMPARE(v.sizeText, QStringLiteral("0\r\n"));
    QVERIFY(v.recordNowVisible && v.recordNowEnabled && !v.stopVisible);
    QVERIFY(!v.resetEnabled && !v.saveEnabled && v.outputTypeEnabled);
    QVERIFY(v.statusTickOn);
    QCOMPARE(rig.controller.elapsedTicks(), 0);
    rig.controller.recordNow();
    QCOMPARE(rig.controller.view().state, RecorderController::State::Recording);
}

void RecorderControllerTest::unloadClosesDeviceAndTimers()
{
    Rig rig;
    rig.controller.recordNow();
    rig.device.clearCommands();
    rig.controller.unload();
    QCOMPARE(rig.device.commands(), QStringList{"close capture"});
    const auto &v = rig.controller.view();
    QVERIFY(!v.statusTickOn && !v.clockTickOn && !v.stopCheckOn);
}

QTEST_GUILESS_MAIN(RecorderControllerTest)
#include "RecorderControllerTest.moc"
