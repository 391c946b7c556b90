#include "FakeSystemVolume.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"

#include "app/MainWindow.h"
#include "app/Program.h"
#include "desktop/Autostart.h"
#include "desktop/DesktopPreferences.h"
#include "engine/ChannelControls.h"
#include "platform/OfflineAudioOutput.h"
#include "player/Player.h"
#include "product/ProductInfo.h"
#include "settings/MixCommands.h"
#include "settings/MixFile.h"
#include "settings/MixRecord.h"

#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// The files the program leaves on the desktop (preferences, autostart entry) and the ones
// it is installed with (desktop entry, MIME type, metainfo), checked with the desktop's
// own validators; and a mix file dropped on the console.
class DesktopFilesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    static QString resource(const char *name)
    {
        return QDir(qEnvironmentVariable("SONIVALE_SOURCE_DIR")).filePath(QStringLiteral("resources/") + QLatin1String(name));
    }

    // Runs a validator; its complaints are the failure message.
    static QString validate(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(30000))
            return program + QLatin1String(" did not run: ") + process.errorString();
        if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return {};
        return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    }

    static QByteArray contentOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void preferencesShareTheFileAndKeepTheirGroup()
    {
        const QString config = m_folder.filePath(QStringLiteral("config"));
        QDir().mkpath(config);
        {
            QSettings other(QDir(config).filePath(QStringLiteral("preferences.ini")), QSettings::IniFormat);
            other.setValue(QStringLiteral("Night/FadeMinutes"), 20);
        }
        DesktopPreferences preferences(config);
        QVERIFY(!preferences.startInTray());
        QVERIFY(!preferences.startWithDesktop());
        QVERIFY(!preferences.playLastMixAtStart());
        QVERIFY(preferences.playOnSink().isEmpty());
        QVERIFY(preferences.mixFolder().isEmpty());
        preferences.setStartInTray(true);
        preferences.setStartWithDesktop(true);
        preferences.setPlayLastMixAtStart(true);
        preferences.setPlayOnSink(QStringLiteral("alsa_output.usb-headset"));
        preferences.setMixFolder(QStringLiteral("/home/ann/mixes"));

        const DesktopPreferences later(config);
        QVERIFY(later.startInTray());
        QVERIFY(later.startWithDesktop());
        QVERIFY(later.playLastMixAtStart());
        QCOMPARE(later.playOnSink(), QStringLiteral("alsa_output.usb-headset"));
        QCOMPARE(later.mixFolder(), QStringLiteral("/home/ann/mixes"));
        const QSettings file(preferences.path(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Desktop/StartInTray")).toBool(), true);
        QCOMPARE(file.value(QStringLiteral("Night/FadeMinutes")).toInt(), 20);
    }

    void theAutostartEntryComesAndGoes_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("by name") << "sonivale" << "Exec=sonivale --tray";
        QTest::newRow("a path with a blank") << "/opt/my apps/sonivale" << "Exec=\"/opt/my apps/sonivale\" --tray";
        QTest::newRow("a path with a dollar") << "/opt/a$b/sonivale" << "Exec=\"/opt/a\\\\$b/sonivale\" --tray";
    }

    void theAutostartEntryComesAndGoes()
    {
        QFETCH(QString, program);
        const QTemporaryDir home;
        Autostart autostart(home.filePath(QStringLiteral("autostart")));
        QVERIFY(!autostart.isEnabled());
        QString error;
        QVERIFY2(autostart.enable(program, &error), qPrintable(error));
        QVERIFY(autostart.isEnabled());
        QCOMPARE(QFileInfo(autostart.entryPath()).fileName(), QStringLiteral("org.sonivale.Sonivale.desktop"));
        const QString entry = QString::fromUtf8(contentOf(autostart.entryPath()));
        QTEST(entry.split(QLatin1Char('\n')).filter(QStringLiteral("Exec=")).value(0), "exec");
        const QString complaints = validate(QStringLiteral("desktop-file-validate"), {autostart.entryPath()});
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));

        QVERIFY(autostart.disable());
        QVERIFY(!autostart.isEnabled());
        QVERIFY(autostart.disable());

        Autostart blocked(QStringLiteral("/proc/no-autostart-here"));
        QVERIFY(!blocked.enable(program, &error));
        QVERIFY(!error.isEmpty());
    }

    // An entry that an earlier version wrote under the program's old name is the same entry.
    void theFormerAutostartEntryCountsAndGoes()
    {
        const QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("autostart"));
        const QString former = QDir(folder).filePath(QStringLiteral("sonivale.desktop"));
        const auto leaveFormer = [&] {
            QDir().mkpath(folder);
            QFile file(former);
            return file.open(QIODevice::WriteOnly) && file.write("[Desktop Entry]\n") > 0;
        };
        Autostart autostart(folder);
        QVERIFY(leaveFormer());
        QVERIFY(autostart.isEnabled());
        QVERIFY(autostart.enable(QStringLiteral("sonivale")));
        QVERIFY(!QFile::exists(former));
        QVERIFY(QFile::exists(autostart.entryPath()));

        QVERIFY(leaveFormer());
        QVERIFY(autostart.disable());
        QVERIFY(!QFile::exists(former));
        QVERIFY(!autostart.isEnabled());
    }

    // The desktop entry, the metainfo and the program name one application id, by which a
    // Wayland compositor finds the icon of the program's windows.
    void theProgramIsKnownByItsApplicationId()
    {
        const QString id = QString::fromLatin1(ProductInfo::applicationId);
        QVERIFY(QFile::exists(resource("org.sonivale.Sonivale.desktop")));
        const QByteArray metainfo = contentOf(resource("org.sonivale.Sonivale.metainfo.xml"));
        QVERIFY(metainfo.contains("<id>" + id.toLatin1() + "</id>"));
        QVERIFY(metainfo.contains("<launchable type=\"desktop-id\">" + id.toLatin1() + ".desktop</launchable>"));
        Program::describeApplication();
        QCOMPARE(QGuiApplication::desktopFileName(), id);
    }

    void theInstalledFilesPassTheValidators()
    {
        const QString desktop = resource("org.sonivale.Sonivale.desktop");
        QString complaints = validate(QStringLiteral("desktop-file-validate"), {desktop});
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
        complaints = validate(QStringLiteral("appstreamcli"),
                              {QStringLiteral("validate"), QStringLiteral("--no-net"), resource("org.sonivale.Sonivale.metainfo.xml")});
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
        const QString entry = QString::fromUtf8(contentOf(desktop));
        QVERIFY(entry.contains(QStringLiteral("\nExec=sonivale %f\n")));
        QVERIFY(entry.contains(QStringLiteral("\nMimeType=application/x-sonivale-mix;\n")));

        // The MIME package, built into a database of its own, gives .smf files the type.
        const QString mime = m_folder.filePath(QStringLiteral("mime"));
        QVERIFY(QDir().mkpath(mime + QStringLiteral("/packages")));
        QVERIFY(QFile::copy(resource("sonivale-mime.xml"), mime + QStringLiteral("/packages/sonivale.xml")));
        complaints = validate(QStringLiteral("update-mime-database"), {mime});
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
        QVERIFY(contentOf(mime + QStringLiteral("/globs2")).contains("application/x-sonivale-mix:*.smf"));
    }

    // The user unit runs the program without a display and restarts it after a failure.
    // systemd-analyze wants the program where the unit names it, so a copy of the unit names
    // the program of this build instead of /usr/bin/sonivale.
    void theServiceUnitPassesSystemdAnalyze()
    {
        const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
        if (analyze.isEmpty())
            QSKIP("needs systemd-analyze");
        const QString unit = QString::fromUtf8(contentOf(resource("sonivale.service")));
        const QString installed = QStringLiteral("\nExecStart=/usr/bin/sonivale --headless\n");
        QVERIFY(unit.contains(installed));
        QVERIFY(unit.contains(QStringLiteral("\nRestart=on-failure\n")));

        const QString program = QDir(qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS")).filePath(QStringLiteral("sonivale"));
        const QString copy = m_folder.filePath(QStringLiteral("sonivale.service"));
        QFile file(copy);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QString(unit).replace(installed, QStringLiteral("\nExecStart=%1 --headless\n").arg(program)).toUtf8());
        file.close();
        // The user manager needs a runtime folder of its own, which a test run may lack.
        QTemporaryDir runtime;
        QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(analyze, {QStringLiteral("--user"), QStringLiteral("verify"), copy});
        QVERIFY(process.waitForFinished(30000));
        // A line it cannot parse is only a warning, so any output is a complaint.
        const QString complaints = QString::fromLocal8Bit(process.readAll());
        QVERIFY2(process.exitCode() == 0 && complaints.isEmpty(), qPrintable(complaints));
    }

    // A drop that carries one .smf file loads it as "Load" does; anything else is refused.
    void aMixDroppedOnTheConsoleLoads()
    {
        OfflineAudioOutput output;
        FakeSystemVolume volume;
        ScriptedUserMessages messages;
        ScriptedFileDialogs dialogs;
        Player player({&output, &dialogs, &messages, m_folder.path(), m_folder.path()});
        MainWindow console(player, {&volume, &messages});
        MixRecord record;
        QVERIFY(record.setValue(53, 20000));
        const QString mix = m_folder.filePath(QStringLiteral("dropped.smf"));
        QString reason;
        QVERIFY(MixFile::write(mix, record, &reason));
        QSignalSpy loaded(&player.mixCommands(), &MixCommands::mixFileChanged);

        const auto drop = [&console](const QList<QUrl> &urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&console, &enter);
            if (!enter.isAccepted())
                return false;
            QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&console, &dropped);
            return true;
        };
        QVERIFY(!drop({QUrl::fromLocalFile(m_folder.filePath(QStringLiteral("song.mp3")))}));
        QVERIFY(!drop({QUrl::fromLocalFile(mix), QUrl::fromLocalFile(mix)}));
        QVERIFY(!drop({QUrl(QStringLiteral("https://example.org/a.smf"))}));
        QVERIFY(drop({QUrl::fromLocalFile(mix)}));
        QTRY_COMPARE(loaded.size(), 1);
        QCOMPARE(loaded.at(0).at(0).toString(), mix);
        QCOMPARE(player.channels().slider(6, ChannelControls::Slider::Frequency), 20000);
    }
};

QTEST_MAIN(DesktopFilesTest)
#include "DesktopFilesTest.moc"
