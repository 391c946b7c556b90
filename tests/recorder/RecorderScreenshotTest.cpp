#include "recorder/RecorderWindow.h"

#include "product/ProgramPaths.h"
#include "widgets/AkLed.h"

#include "FakeCaptureDevice.h"
#include "ManualClock.h"
#include "ScriptedUserMessages.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// Pictures of the recorder window for a person to look at; runs only when
// SONIVALE_SCREENSHOT_DIR names the folder to write them to (scripts/screenshot-recorder.sh).
class RecorderScreenshotTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void threeStates_data();
    void threeStates();
    void helpAndLamp();

private:
    void save(QWidget *widget, const QString &name);

    QString m_folder;
    QTemporaryDir m_config;
};

void RecorderScreenshotTest::initTestCase()
{
    m_folder = qEnvironmentVariable("SONIVALE_SCREENSHOT_DIR");
    if (m_folder.isEmpty())
        QSKIP("SONIVALE_SCREENSHOT_DIR is not set");
    QVERIFY(QDir().mkpath(m_folder));
    ProgramPaths::overrideFolders(m_config.path(), m_config.path());
}

void RecorderScreenshotTest::threeStates_data()
{
    QTest::addColumn<bool>("compact");
    QTest::newRow("expanded") << false;
    QTest::newRow("compact") << true;
}

void RecorderScreenshotTest::threeStates()
{
    QFETCH(bool, compact);
    FakeCaptureDevice device;
    ScriptedUserMessages messages;
    ManualClock clock;
    auto *window = new RecorderWindow(device, messages, clock);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    if (compact)
        window->findChild<QPushButton *>(QStringLiteral("Command9"))->click();
    const QString suffix = compact ? QStringLiteral("-compact") : QStringLiteral("-expanded");
    save(window, QStringLiteral("ready") + suffix);

    window->controller().recordNow();
    clock.advance(83000);
    window->controller().clockTick();
    device.setLength(3657420);
    window->controller().statusTick();
    save(window, QStringLiteral("recording") + suffix);

    window->controller().stop();
    save(window, QStringLiteral("stopped") + suffix);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void RecorderScreenshotTest::helpAndLamp()
{
    FakeCaptureDevice device;
    ScriptedUserMessages messages;
    ManualClock clock;
    auto *window = new RecorderWindow(device, messages, clock);
    window->show();
    window->findChild<QPushButton *>(QStringLiteral("Command6"))->click();
    QWidget *help = window->findChild<QWidget *>(QStringLiteral("Form14"));
    QVERIFY(help);
    QVERIFY(QTest::qWaitForWindowExposed(help));
    save(help, QStringLiteral("troubleshooting"));

    AkLed lamp;
    lamp.setBackColor(0x00C0C0C0);
    for (quint32 colour : {AkLed::red, AkLed::green, AkLed::yellow}) {
        lamp.setLedColour(colour);
        const QImage big = lamp.surface().scaled(lamp.surface().size() * 12);
        QVERIFY(big.save(QDir(m_folder).filePath(QStringLiteral("lamp-%1.png").arg(colour))));
    }
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void RecorderScreenshotTest::save(QWidget *widget, const QString &name)
{
    QCoreApplication::processEvents();
    QVERIFY(widget->grab().save(QDir(m_folder).filePath(name + QStringLiteral(".png"))));
}

QTEST_MAIN(RecorderScreenshotTest)
#include "RecorderScreenshotTest.moc"
