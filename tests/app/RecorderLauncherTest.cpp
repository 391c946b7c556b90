#include "FakeCaptureDevice.h"
#include "FakeMixerLines.h"
#include "ManualClock.h"
#include "ScriptedUserMessages.h"

#include "product/ProgramPaths.h"
#include "app/RecorderLauncher.h"
#include "platform/ProgramStarter.h"
#include "recorder/RecorderWindow.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

class NoPrograms final : public ProgramStarter
{
public:
    QString findProgram(const QString &) const override { return {}; }
    bool startDetached(const QString &, const QStringList &) override { return false; }
};

}

class RecorderLauncherTest : public QObject
{
    Q_OBJECT

private slots:
    void recordOpensOneRecorderAndBringsItForward()
    {
        QTemporaryDir config;
        ProgramPaths::overrideFolders(config.path(), config.path());
        FakeCaptureDevice capture;
        FakeMixerLines lines;
        NoPrograms programs;
        ScriptedUserMessages messages;
        ManualClock clock;
        RecorderLauncher launcher({&capture, &lines, &programs, &messages, &clock});
        int hooked = 0;
        launcher.setWindowHook([&hooked](RecorderWindow &) { ++hooked; });

        launcher.show();
        QPointer<RecorderWindow> first = launcher.window();
        QVERIFY(first && first->isVisible());
        QCOMPARE(first->windowTitle(), QStringLiteral("Sound Recorder"));
        launcher.show();
        QCOMPARE(launcher.window(), first.data());
        QCOMPARE(hooked, 1);

        first->close();
        QTRY_VERIFY(first.isNull());
        QVERIFY(QFile::exists(config.filePath(QStringLiteral("settings9.txt"))));
        launcher.show();
        QVERIFY(launcher.window());
        QCOMPARE(hooked, 2);
        launcher.window()->close();
    }
};

QTEST_MAIN(RecorderLauncherTest)
#include "RecorderLauncherTest.moc"
