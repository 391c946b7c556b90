#include "platform/ProgramStarter.h"
#include "recorder/Mp3Converter.h"
#include "recorder/RecorderController.h"
#include "recorder/RecordingFileNames.h"
#include "recorder/RecordingSaver.h"
#include "recorder/SaveOptionsWindow.h"

#include "FakeCaptureDevice.h"
#include "FakeDesktopServices.h"
#include "FakeEncoderProcess.h"
#include "ManualClock.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"
#include "TestSounds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace RecordingFileNames;

namespace {

class FakeEncoderLookup final : public ProgramStarter
{
public:
    QString findProgram(const QString &) const override { return QStringLiteral("/usr/bin/lame"); }
    bool startDetached(const QString &, const QStringList &) override { return false; }
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}

class RecordingSaverTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileNameHelpers();
    void savePathWithoutBlanksKeepsTheTake();
    void everyLaterSaveWritesTheTakeAgain();
    void savePathWithBlanksKeepsTheDevice();
    void cancelledDialogDoesNothing();
    void cancelAfterASaveDoesNotSaveAgain();
    void failedSaveIsReportedForEveryPath_data();
    void failedSaveIsReportedForEveryPath();
    void failedSaveKeepsOldFileAndTake();
    void filterFollowsTheOutputType();
    void mp3OutputEncodesTheTake();
    void saveOnlyWhenStopped();
    void optionsWindowShowsTheSavedFile();
    void nextOpensTheFile();
    void nextOpensTheFolder();
    void nextReturnsToConsole();
    void nextSaysWhatTheDesktopCouldNotOpen();
    void secondSaveBringsTheOpenWindowForward();

private:
    QString path(const QString &name) const { return QDir(m_dir->path()).filePath(name); }
    SaveOptionsWindow *options() const { return m_saver->optionsWindow(); }
    template<typename T> T *child(const char *name)
    {
        return options() ? options()->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }
    void closeOptions();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeCaptureDevice> m_device;
    std::unique_ptr<ScriptedUserMessages> m_messages;
    std::unique_ptr<ScriptedFileDialogs> m_dialogs;
    std::unique_ptr<FakeDesktopServices> m_desktop;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<RecorderController> m_controller;
    std::unique_ptr<RecordingSaver> m_saver;
};

void RecordingSaverTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("cache"))));
    m_device = std::make_unique<FakeCaptureDevice>();
    m_messages = std::make_unique<ScriptedUserMessages>();
    m_dialogs = std::make_unique<ScriptedFileDialogs>();
    m_desktop = std::make_unique<FakeDesktopServices>();
    m_clock = std::make_unique<ManualClock>();
    m_controller = std::make_unique<RecorderController>(*m_device, *m_messages, *m_clock);
    m_controller->load(std::nullopt);
    m_controller->recordNow();
    m_device->setLength(44100);
    m_controller->statusTick();
    m_controller->stop();
    m_device->clearCommands();
    m_saver = std::make_unique<RecordingSaver>(*m_controller, *m_device, *m_dialogs, *m_messages, *m_desktop,
                                               m_dir->path());
}

void RecordingSaverTest::cleanup()
{
    closeOptions();
    m_saver.reset();
    m_controller.reset();
    m_device.reset();
}

void RecordingSaverTest::closeOptions()
{
    if (options())
        options()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void RecordingSaverTest::fileNameHelpers()
{
    QVERIFY(!fileExists(path("take1.wav")));
    QFile file(path("take1.wav"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(fileExists(path("take1.wav")));
    QVERIFY(!fileExists(QString()));

    QVERIFY(hasSpace("/rec/take 1.wav"));
    QVERIFY(!hasSpace("/rec/take1.wav"));

    QCOMPARE(getShortName(path("new take.wav")), path("new take.wav"));
    QVERIFY2(!fileExists(path("new take.wav")), "finding the short name creates no file");

    QCOMPARE(getPath("/rec/take1.wav"), QStringLiteral("/rec"));
    QCOMPARE(getPath("/take1.wav"), QStringLiteral("/"));
    QCOMPARE(getPath("/my recordings/take 1.wav"), QStringLiteral("/my recordings"));
}

void RecordingSaverTest::savePathWithoutBlanksKeepsTheTake()
{
    QVERIFY(m_controller->hasUnsavedTake());
    m_dialogs->answer(path("take1.wav"));
    m_saver->save();

    QCOMPARE(m_device->commands(), QStringList({"save capture " + path("take1.wav")}));
    QVERIFY(m_device->isOpen());
    QVERIFY(m_controller->view().statusTickOn);
    QVERIFY(!m_controller->hasUnsavedTake());
    QVERIFY(m_messages->messages().isEmpty());
    QCOMPARE(m_saver->savedFileName(), path("take1.wav"));
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->shown().at(0).kind, ScriptedFileDialogs::Kind::Save);
    QCOMPARE(m_dialogs->shown().at(0).folder, m_dir->path());
    QCOMPARE(m_dialogs->shown().at(0).filter, QStringLiteral("Wav File (*.wav)"));
    QVERIFY(options());
    QVERIFY(options()->isVisible());
    QVERIFY(!options()->isModal());
    QVERIFY2(m_controller->view().saveEnabled, "saving leaves the buttons as they were");
    QVERIFY(m_controller->view().resetEnabled);
}

void RecordingSaverTest::everyLaterSaveWritesTheTakeAgain()
{
    for (const QString name : {"take1.wav", "take2.wav", "take 3.wav"}) {
        m_dialogs->answer(path(name));
        m_saver->save();
        QCOMPARE(m_device->commands().constLast(), "save capture " + path(name));
        QCOMPARE(m_saver->savedFileName(), path(name));
        QCOMPARE(options()->target(), path(name));
    }
    QVERIFY(m_messages->messages().isEmpty());
    QVERIFY(m_device->isOpen());
}

void RecordingSaverTest::savePathWithBlanksKeepsTheDevice()
{
    const QString first = path("my take.wav");
    m_dialogs->answer(first);
    m_saver->save();

    QCOMPARE(m_device->commands(), QStringList({"save capture " + first}));
    QVERIFY2(!fileExists(first), "the fake device writes nothing, and neither does the saver");
    QVERIFY(m_device->isOpen());
    QVERIFY(m_controller->view().statusTickOn);
    QVERIFY(m_messages->messages().isEmpty());

    const QString second = path("my take again.wav");
    m_dialogs->answer(second);
    m_saver->save();
    QCOMPARE(m_device->commands(), QStringList({"save capture " + first, "save capture " + second}));
    QCOMPARE(m_saver->savedFileName(), second);
}

void RecordingSaverTest::cancelledDialogDoesNothing()
{
    m_saver->save();

    QCOMPARE(m_dialogs->shown().size(), 1);
    QVERIFY(m_device->commands().isEmpty());
    QVERIFY(m_messages->messages().isEmpty());
    QVERIFY(!options());
    QVERIFY(m_controller->view().statusTickOn);
}

void RecordingSaverTest::cancelAfterASaveDoesNotSaveAgain()
{
    m_dialogs->answer(path("my take.wav"));
    m_saver->save();
    closeOptions();
    m_device->clearCommands();

    m_saver->save();

    QVERIFY(m_device->commands().isEmpty());
    QVERIFY(!options());
}

void RecordingSaverTest::failedSaveIsReportedForEveryPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("without blanks") << "take1.wav";
    QTest::newRow("with blanks") << "my take 1.wav";
}

void RecordingSaverTest::failedSaveIsReportedForEveryPath()
{
    QFETCH(QString, name);
    m_device->setSaveFailure(QStringLiteral("No space left on device"));
    m_dialogs->answer(path(name));
    m_saver->save();

    QCOMPARE(m_messages->texts(),
             QStringList{"Saving file failed, file name was: " + path(name) + "\nNo space left on device"});
    QCOMPARE(m_device->commands(), QStringList{"save capture " + path(name)});
    QVERIFY2(m_device->isOpen(), "the take stays in the device for another try");
    QVERIFY(m_controller->view().statusTickOn);
    QVERIFY2(!options(), "nothing claims the file was saved");
    QVERIFY(m_saver->savedFileName().isEmpty());
}

void RecordingSaverTest::failedSaveKeepsOldFileAndTake()
{
    QFile old(path("take1.wav"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("the old take");
    old.close();

    m_device->setSaveFailure(QStringLiteral("Permission denied"));
    m_dialogs->answer(path("take1.wav"));
    m_saver->save();

    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("the old take"));
    old.close();

    m_device->setSaveFailure(QString());
    m_messages->clear();
    m_dialogs->answer(path("elsewhere.wav"));
    m_saver->save();
    QVERIFY(m_messages->messages().isEmpty());
    QCOMPARE(m_device->commands().constLast(), "save capture " + path("elsewhere.wav"));
    QCOMPARE(m_saver->savedFileName(), path("elsewhere.wav"));
}

void RecordingSaverTest::filterFollowsTheOutputType()
{
    m_controller->setMp3Chosen(true);
    m_saver->save();
    m_controller->setMp3Chosen(false);
    m_saver->save();

    QCOMPARE(m_dialogs->shown().size(), 2);
    QCOMPARE(m_dialogs->shown().at(0).filter, QStringLiteral("MP3 Files (*.mp3)"));
    QCOMPARE(m_dialogs->shown().at(1).filter, QStringLiteral("Wav File (*.wav)"));
}

void RecordingSaverTest::mp3OutputEncodesTheTake()
{
    // The take reaches the encoder as WAV data; the saved-file window waits for its success.
    FakeEncoderLookup lookup;
    QList<QPointer<FakeEncoderProcess>> processes;
    Mp3Converter converter(*m_dialogs, *m_messages, *m_desktop, lookup, QString(), m_dir->path(), nullptr, [&] {
        auto process = std::make_unique<FakeEncoderProcess>();
        processes.append(process.get());
        return process;
    });
    m_saver->setConverter(&converter);
    m_device->setSaveWrites([](const QString &wav) { return TestSounds::writeSine(wav, 8000, 800, 440, 0.5); });
    m_controller->setMp3Chosen(true);

    m_dialogs->answer(path("take"));
    m_saver->save();
    QCOMPARE(processes.size(), 1);
    const QStringList arguments = processes.at(0)->arguments();
    const QString wav = m_device->commands().constLast().mid(QStringLiteral("save capture ").size());
    QVERIFY(arguments.contains(wav));
    QVERIFY2(QFileInfo(wav).absolutePath() != m_dir->path(), "no WAV beside the MP3");
    QVERIFY(!options());
    QVERIFY(!m_controller->hasUnsavedTake());

    processes.at(0)->succeed();
    QTRY_VERIFY(options());
    QCOMPARE(m_saver->savedFileName(), path("take.mp3"));
    QCOMPARE(readAll(path("take.mp3")), QByteArray("ID3 fake mp3 data"));
    QVERIFY2(m_messages->messages().isEmpty(), qPrintable(m_messages->texts().join('\n')));
    QTRY_VERIFY2(!QFile::exists(wav), "the take's WAV copy goes with the conversion");

    // A failing encoder is reported and shows no saved file.
    closeOptions();
    m_dialogs->answer(path("again.mp3"));
    m_saver->save();
    QCOMPARE(processes.size(), 2);
    processes.at(1)->exitWith(1);
    QTRY_COMPARE(m_messages->messages().size(), 1);
    QVERIFY(m_messages->texts().at(0).startsWith("The mp3 could not be created: " + path("again.mp3")));
    QVERIFY(!options());
}

void RecordingSaverTest::saveOnlyWhenStopped()
{
    m_controller->unload();
    m_controller->load(std::nullopt);
    m_dialogs->answer(path("take1.wav"));
    m_saver->save();
    m_controller->recordNow();
    m_saver->save();

    QVERIFY(m_dialogs->shown().isEmpty());
}

void RecordingSaverTest::optionsWindowShowsTheSavedFile()
{
    m_dialogs->answer(path("take1.wav"));
    m_saver->save();

    QCOMPARE(options()->windowTitle(), QStringLiteral("Save Options"));
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Your file has been saved to:"));
    QCOMPARE(child<QLabel>("Label2")->text(), path("take1.wav"));
    QCOMPARE(child<QLabel>("Label3")->text(), QStringLiteral("Please select a choice below and click next:"));
    QCOMPARE(child<QRadioButton>("Option1")->text(), QStringLiteral("Open The File With Default Media Player"));
    QCOMPARE(child<QRadioButton>("Option2")->text(), QStringLiteral("Open The Directory Containing The File"));
    QCOMPARE(child<QRadioButton>("Option3")->text(), QStringLiteral("Return To Console"));
    QCOMPARE(child<QPushButton>("Command1")->text(), QStringLiteral("Next"));
    QVERIFY(child<QRadioButton>("Option3")->isChecked());
    QVERIFY(!child<QRadioButton>("Option1")->isChecked());
    QVERIFY(!child<QRadioButton>("Option2")->isChecked());
    QCOMPARE(options()->choice(), SaveOptionsWindow::Choice::ReturnToConsole);
    QVERIFY(child<QPushButton>("Command1")->isDefault());
    for (const char *name : {"Option1", "Option2", "Option3"})
        QVERIFY(child<QRadioButton>(name)->focusPolicy() & Qt::TabFocus);
}

void RecordingSaverTest::nextOpensTheFile()
{
    m_dialogs->answer(path("take1.wav"));
    m_saver->save();
    QPointer<SaveOptionsWindow> window = options();
    child<QRadioButton>("Option1")->setChecked(true);
    QCOMPARE(window->choice(), SaveOptionsWindow::Choice::OpenFile);
    child<QPushButton>("Command1")->click();

    QCOMPARE(m_desktop->openedUrls, QList<QUrl>{QUrl::fromLocalFile(path("take1.wav"))});
    QVERIFY(m_desktop->shownInFolder.isEmpty());
    QVERIFY(!window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window);
}

void RecordingSaverTest::nextOpensTheFolder()
{
    m_dialogs->answer(path("my take.wav"));
    m_saver->save();
    QPointer<SaveOptionsWindow> window = options();
    child<QRadioButton>("Option2")->setChecked(true);
    child<QPushButton>("Command1")->click();

    QCOMPARE(m_desktop->shownInFolder, QStringList{path("my take.wav")});
    QVERIFY(m_desktop->openedUrls.isEmpty());
    QVERIFY(!window->isVisible());
}

void RecordingSaverTest::nextReturnsToConsole()
{
    m_dialogs->answer(path("take1.wav"));
    m_saver->save();
    QPointer<SaveOptionsWindow> window = options();
    child<QRadioButton>("Option1")->setChecked(true);
    child<QRadioButton>("Option3")->setChecked(true);
    child<QPushButton>("Command1")->click();

    QVERIFY(m_desktop->openedUrls.isEmpty());
    QVERIFY(m_desktop->shownInFolder.isEmpty());
    QVERIFY(!window->isVisible());
    QCOMPARE(m_device->commands(), QStringList({"save capture " + path("take1.wav")}));
}

void RecordingSaverTest::nextSaysWhatTheDesktopCouldNotOpen()
{
    m_desktop->result = false;
    for (const char *option : {"Option1", "Option2"}) {
        m_dialogs->answer(path("take1.wav"));
        m_saver->save();
        child<QRadioButton>(option)->setChecked(true);
        child<QPushButton>("Command1")->click();
        closeOptions();
    }
    QCOMPARE(m_messages->texts(),
             QStringList({"The file " + path("take1.wav") + " could not be opened: no program on this desktop "
                                                             "is set up to play it.",
                          "The folder of " + path("take1.wav") + " could not be shown: no file manager on this "
                                                                  "desktop took the request."}));
    QCOMPARE(m_messages->messages().at(0).kind, ScriptedUserMessages::Kind::Warn);
}

void RecordingSaverTest::secondSaveBringsTheOpenWindowForward()
{
    m_dialogs->answer(path("first take.wav"));
    m_saver->save();
    SaveOptionsWindow *window = options();
    m_dialogs->answer(path("second take.wav"));
    m_saver->save();

    QCOMPARE(options(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(child<QLabel>("Label2")->text(), path("first take.wav"));
    QCOMPARE(window->target(), path("second take.wav"));
    child<QRadioButton>("Option1")->setChecked(true);
    child<QPushButton>("Command1")->click();
    QCOMPARE(m_desktop->openedUrls, QList<QUrl>{QUrl::fromLocalFile(path("second take.wav"))});
}

QTEST_MAIN(RecordingSaverTest)
#include "RecordingSaverTest.moc"
