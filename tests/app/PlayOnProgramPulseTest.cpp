#include "PulseTestTools.h"

#include "app/MainWindow.h"
#include "app/Program.h"
#include "platform/AudioOutput.h"
#include "player/Player.h"
#include "desktop/DesktopPreferences.h"
#include "product/ProgramPaths.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

// The console's Playback > "Play On" on the test run's sound server: it offers the server's
// sinks after the desktop's default, and a choice is kept for the next start.
class PlayOnProgramPulseTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs a sound server (scripts/run-tests.sh)");
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(QDir(m_home.path()).filePath(QStringLiteral("config"))));
        Program::describeApplication();
        ProgramPaths::overrideFolders(qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS"), QString());
    }

    void theSinksAreOfferedAndAChoiceIsKept()
    {
        const QString sink = PulseTestTools::defaultSink();
        QVERIFY(!sink.isEmpty());
        const QString byDefault = QStringLiteral("The Desktop's Default");
        {
            Program program([] {});
            program.start();
            auto *playOn = program.console().playbackMenu()->findChild<QMenu *>(QStringLiteral("playOn"));
            QVERIFY(playOn);
            QCOMPARE(playOn->menuAction()->text(), QStringLiteral("Play &On"));
            QTRY_COMPARE_WITH_TIMEOUT(playOn->actions().size(), 2, 5000);
            QCOMPARE(playOn->actions().at(0)->text(), byDefault);
            QVERIFY(playOn->actions().at(0)->isChecked());
            QCOMPARE(playOn->actions().at(1)->data().toString(), sink);
            playOn->actions().at(1)->trigger();
            QTRY_COMPARE(DesktopPreferences(ProgramPaths::configFolder()).playOnSink(), sink);
            program.endInOrder();
        }
        Program later([] {});
        later.start();
        auto *playOn = later.console().playbackMenu()->findChild<QMenu *>(QStringLiteral("playOn"));
        QVERIFY(playOn);
        QTRY_COMPARE_WITH_TIMEOUT(playOn->actions().size(), 2, 5000);
        QVERIFY(playOn->actions().at(1)->isChecked());
        QCOMPARE(later.player().audioOutput().sink(), sink);
        later.endInOrder();
    }
};

QTEST_MAIN(PlayOnProgramPulseTest)
#include "PlayOnProgramPulseTest.moc"
