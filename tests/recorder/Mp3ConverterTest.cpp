#include "platform/ProgramStarter.h"
#include "platform/QtEncoderProcess.h"
#include "platform/QtProgramStarter.h"
#include "recorder/Mp3Conversion.h"
#include "recorder/Mp3Converter.h"

#include "FakeDesktopServices.h"
#include "FakeEncoderProcess.h"
#include "ScriptedFileDialogs.h"
#include "ScriptedUserMessages.h"
#include "TestSounds.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sndfile.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int waitMs = 30000;

// Answers the search-path lookup with a fixed program, or with nothing.
class EncoderLookup final : public ProgramStarter
{
public:
    QString findProgram(const QString &name) const override { return name == "lame" ? onPath : QString(); }
    bool startDetached(const QString &, const QStringList &) override { return false; }

    QString onPath;
};

// What the conversions left, without the WAV files they read.
QStringList filesIn(const QString &folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    files.removeIf([](const QString &name) { return name.endsWith(QStringLiteral(".wav")); });
    return files;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeScript(const QString &path, const QByteArray &body)
{
    return writeFile(path, "#!/bin/sh\n" + body)
        && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}

class Mp3ConverterTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void percentFromLameLines();
    void argumentsWithAndWithoutBlanks_data();
    void argumentsWithAndWithoutBlanks();
    void dialogsUseTheirFilters();
    void cancelledDialogsStartNothing();
    void messageOnlyAfterTheEncoderSucceeded();
    void answerNoOpensNothing();
    void progressFollowsTheErrorStream();
    void failedEncoderKeepsTheOldMp3();
    void encoderThatWritesNothingFails();
    void cancelEndsTheEncoderQuietly_data();
    void cancelEndsTheEncoderQuietly();
    void twoConversionsRunSideBySide();
    void encoderBesideTheProgramComesFirst();
    void missingEncoderIsReported();
    void realLameConvertsAWav();
    void realLameReportsProgress();
    void failingEncoderScriptIsReported();
    void droppedConverterLeavesNoPartialMp3();
    void inputThatIsNotSoundIsRefused();
    void conversionsOutliveTheWindow();
    void exitWaitsForOrCancelsConversions_data();
    void exitWaitsForOrCancelsConversions();

private:
    QString path(const QString &name) const { return QDir(m_dir->path()).filePath(name); }
    std::unique_ptr<Mp3Converter> makeConverter(bool fakeProcesses);
    FakeEncoderProcess *lastProcess() const { return m_processes.isEmpty() ? nullptr : m_processes.constLast().data(); }
    QProgressDialog *progressWindow() const;
    QString makeWav(const QString &name, double seconds);
    static std::vector<float> decode(const QString &mp3, const QString &wav, SF_INFO *info);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_programFolder;
    ScriptedFileDialogs m_dialogs;
    ScriptedUserMessages m_messages;
    FakeDesktopServices m_desktop;
    EncoderLookup m_lookup;
    QList<QPointer<FakeEncoderProcess>> m_processes;
    std::unique_ptr<Mp3Converter> m_converter;
};

void Mp3ConverterTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_programFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(m_programFolder->isValid());
    m_dialogs = ScriptedFileDialogs();
    m_messages = ScriptedUserMessages();
    m_desktop = FakeDesktopServices();
    m_lookup.onPath = QStringLiteral("/usr/bin/lame");
    m_processes.clear();
    m_converter = makeConverter(true);
    for (const char *input : {"rec.wav", "my rec.wav", "a.wav", "b.wav", "in.wav"})
        QVERIFY(!makeWav(QString::fromLatin1(input), 0.1).isEmpty());
}

void Mp3ConverterTest::cleanup()
{
    m_converter.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::unique_ptr<Mp3Converter> Mp3ConverterTest::makeConverter(bool fakeProcesses)
{
    Mp3Converter::ProcessFactory factory;
    if (fakeProcesses) {
        factory = [this] {
            auto process = std::make_unique<FakeEncoderProcess>();
            m_processes.append(process.get());
            return process;
        };
    }
    return std::make_unique<Mp3Converter>(m_dialogs, m_messages, m_desktop, m_lookup, m_programFolder->path(),
                                          m_dir->path(), nullptr, factory);
}

QProgressDialog *Mp3ConverterTest::progressWindow() const
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *progress = qobject_cast<QProgressDialog *>(widget); progress && progress->isVisible())
            return progress;
    }
    return nullptr;
}

QString Mp3ConverterTest::makeWav(const QString &name, double seconds)
{
    const QString wav = path(name);
    return TestSounds::writeSine(wav, 44100, int(44100 * seconds), 1000.0, 0.5) ? wav : QString();
}

std::vector<float> Mp3ConverterTest::decode(const QString &mp3, const QString &wav, SF_INFO *info)
{
    QProcess lame;
    lame.start(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("--decode"), mp3, wav});
    if (!lame.waitForFinished(waitMs) || lame.exitCode() != 0)
        return {};
    *info = SF_INFO{};
    SNDFILE *file = sf_open(QFile::encodeName(wav).constData(), SFM_READ, info);
    if (!file)
        return {};
    std::vector<float> samples(static_cast<std::size_t>(info->frames * info->channels));
    sf_readf_float(file, samples.data(), info->frames);
    sf_close(file);
    return samples;
}

void Mp3ConverterTest::percentFromLameLines()
{
    QCOMPARE(Mp3Conversion::percentIn("  1234/5678 (22%)|    0:00/    0:00|"), std::optional<int>(22));
    QCOMPARE(Mp3Conversion::percentIn("     0/767   ( 0%)|    0:00/     :  |"), std::optional<int>(0));
    QCOMPARE(Mp3Conversion::percentIn("  767/767   (100%)|"), std::optional<int>(100));
    QCOMPARE(Mp3Conversion::percentIn("Encoding as 44.1 kHz j-stereo MPEG-1 Layer III (11x) 128 kbps"), std::nullopt);
    QCOMPARE(Mp3Conversion::percentIn("    Frame          |  CPU time/estim |"), std::nullopt);
}

void Mp3ConverterTest::argumentsWithAndWithoutBlanks_data()
{
    QTest::addColumn<QString>("wavName");
    QTest::addColumn<QString>("mp3Name");
    QTest::newRow("no blanks") << "rec.wav" << "rec.mp3";
    QTest::newRow("blank in the input") << "my rec.wav" << "rec.mp3";
    QTest::newRow("blanks in both") << "my rec.wav" << "sub dir/my rec.mp3";
}

void Mp3ConverterTest::argumentsWithAndWithoutBlanks()
{
    QFETCH(QString, wavName);
    QFETCH(QString, mp3Name);
    QVERIFY(QDir(m_dir->path()).mkpath("sub dir"));
    const QString wav = path(wavName);
    const QString mp3 = path(mp3Name);
    m_dialogs.answer(wav);
    m_dialogs.answer(mp3);
    m_converter->convert();

    FakeEncoderProcess *process = lastProcess();
    QVERIFY(process && process->isStarted());
    QCOMPARE(process->program(), QStringLiteral("/usr/bin/lame"));
    QCOMPARE(process->arguments().size(), 2);
    QCOMPARE(process->arguments().at(0), wav);
    // The encoder writes a part file beside the MP3, which takes the MP3's name once complete.
    const QFileInfo part(process->arguments().at(1));
    QCOMPARE(part.absolutePath(), QFileInfo(mp3).absolutePath());
    QVERIFY(part.fileName().startsWith("." + QFileInfo(mp3).fileName() + "."));
    QVERIFY(part.fileName().endsWith(".part"));
    QVERIFY(!QFileInfo::exists(mp3));

    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    process->succeed("mp3 bytes");
    QVERIFY(finished.wait());
    QCOMPARE(readFile(mp3), QByteArray("mp3 bytes"));
    QVERIFY(!QFileInfo::exists(part.filePath()));
}

void Mp3ConverterTest::dialogsUseTheirFilters()
{
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(path("rec.mp3"));
    m_converter->convert();

    QCOMPARE(m_dialogs.shown().size(), 2);
    QCOMPARE(m_dialogs.shown().at(0).kind, ScriptedFileDialogs::Kind::Open);
    QCOMPARE(m_dialogs.shown().at(0).filter, QStringLiteral("Wav Files (*.wav);;Wav Files (*.*)"));
    QCOMPARE(m_dialogs.shown().at(0).folder, m_dir->path());
    QCOMPARE(m_dialogs.shown().at(1).kind, ScriptedFileDialogs::Kind::Save);
    QCOMPARE(m_dialogs.shown().at(1).filter, QStringLiteral("Mp3 Files (*.mp3);;mp3 Files (*.*)"));
}

void Mp3ConverterTest::cancelledDialogsStartNothing()
{
    m_converter->convert();
    QCOMPARE(m_dialogs.shown().size(), 1);

    m_dialogs.answer(path("rec.wav"));
    m_converter->convert();
    QCOMPARE(m_dialogs.shown().size(), 3);

    QVERIFY(m_processes.isEmpty());
    QVERIFY(m_messages.messages().isEmpty());
    QCOMPARE(m_converter->runningCount(), 0);
    QVERIFY(!progressWindow());
}

void Mp3ConverterTest::messageOnlyAfterTheEncoderSucceeded()
{
    const QString mp3 = path("rec.mp3");
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(mp3);
    m_messages.queueAnswer(true);
    m_converter->convert();

    QVERIFY(m_messages.messages().isEmpty());
    QCOMPARE(m_converter->runningCount(), 1);
    QVERIFY(progressWindow());
    QVERIFY(!progressWindow()->isModal());

    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    lastProcess()->succeed();
    QVERIFY(finished.wait());
    QCOMPARE(finished.at(0).at(0).toString(), mp3);
    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(m_messages.messages().size(), 1);
    QCOMPARE(m_messages.messages().at(0).kind, ScriptedUserMessages::Kind::Ask);
    QCOMPARE(m_messages.texts().at(0),
             "Your mp3 has been created:  " + mp3 + ". Would you like to view the file?");
    QCOMPARE(m_desktop.shownInFolder, QStringList{mp3});
    QVERIFY(!progressWindow());
    QCOMPARE(m_converter->runningCount(), 0);
}

void Mp3ConverterTest::answerNoOpensNothing()
{
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(path("rec.mp3"));
    m_messages.queueAnswer(false);
    m_converter->convert();
    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    lastProcess()->succeed();
    QVERIFY(finished.wait());

    QCOMPARE(m_messages.messages().size(), 1);
    QVERIFY(m_desktop.shownInFolder.isEmpty());
    QVERIFY(m_desktop.openedUrls.isEmpty());
}

void Mp3ConverterTest::progressFollowsTheErrorStream()
{
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(path("rec.mp3"));
    m_converter->convert();
    QProgressDialog *progress = progressWindow();
    QVERIFY(progress);
    QCOMPARE(progress->value(), 0);
    QVERIFY(progress->labelText().contains(path("rec.wav")));

    FakeEncoderProcess *process = lastProcess();
    process->writeError("LAME 3.100 64bits (http://lame.sf.net)\nEncoding as 44.1 kHz\n");
    process->writeError("\r     0/767   ( 0%)|    0:00/     :  |\r   100/767   (1");
    QCOMPARE(progress->value(), 0);
    process->writeError("3%)|    0:00/    0:00|\r\x1b[K   384/767   (50%)|");
    QCOMPARE(progress->value(), 13);
    process->writeError("\r");
    QCOMPARE(progress->value(), 50);
    QVERIFY(m_messages.messages().isEmpty());
}

void Mp3ConverterTest::failedEncoderKeepsTheOldMp3()
{
    const QString mp3 = path("rec.mp3");
    QVERIFY(writeFile(mp3, "the old mp3"));
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(mp3);
    m_converter->convert();
    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    FakeEncoderProcess *process = lastProcess();
    QVERIFY(writeFile(process->arguments().at(1), "half an mp3"));
    process->writeError("Could not find \"rec.wav\".\nCan't init infile 'rec.wav'\n");
    process->exitWith(255);
    QVERIFY(finished.wait());

    QVERIFY(!finished.at(0).at(1).toBool());
    QCOMPARE(m_messages.messages().size(), 1);
    QCOMPARE(m_messages.messages().at(0).kind, ScriptedUserMessages::Kind::Warn);
    QCOMPARE(m_messages.texts().at(0), "The mp3 could not be created: " + mp3
                                           + "\nThe encoder stopped with exit code 255.\nCan't init infile 'rec.wav'");
    QCOMPARE(readFile(mp3), QByteArray("the old mp3"));
    QCOMPARE(filesIn(m_dir->path()), QStringList{"rec.mp3"});
    QVERIFY(!progressWindow());
}

void Mp3ConverterTest::encoderThatWritesNothingFails()
{
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(path("rec.mp3"));
    m_converter->convert();
    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    lastProcess()->exitWith(0);
    QVERIFY(finished.wait());

    QCOMPARE(m_messages.texts(), QStringList{"The mp3 could not be created: " + path("rec.mp3")
                                             + "\nThe encoder finished but wrote no MP3 data."});
    QVERIFY(filesIn(m_dir->path()).isEmpty());
}

void Mp3ConverterTest::cancelEndsTheEncoderQuietly_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("Cancel button") << true;
    QTest::newRow("Escape") << false;
}

void Mp3ConverterTest::cancelEndsTheEncoderQuietly()
{
    QFETCH(bool, byButton);
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(path("rec.mp3"));
    m_converter->convert();
    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    QProgressDialog *progress = progressWindow();
    QVERIFY(progress);
    if (byButton) {
        QPushButton *cancel = progress->findChild<QPushButton *>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        cancel->click();
    } else {
        QTest::keyClick(progress, Qt::Key_Escape);
    }
    QVERIFY(lastProcess()->wasKilled());
    QVERIFY(finished.wait());

    QVERIFY(!finished.at(0).at(1).toBool());
    QVERIFY(m_messages.messages().isEmpty());
    QVERIFY(filesIn(m_dir->path()).isEmpty());
    QVERIFY(!progressWindow());
}

void Mp3ConverterTest::twoConversionsRunSideBySide()
{
    m_dialogs.answer(path("a.wav"));
    m_dialogs.answer(path("a.mp3"));
    m_converter->convert();
    m_dialogs.answer(path("b.wav"));
    m_dialogs.answer(path("b.mp3"));
    m_converter->convert();
    QCOMPARE(m_converter->runningCount(), 2);
    QCOMPARE(m_processes.size(), 2);

    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    m_processes.at(1)->succeed();
    QVERIFY(finished.wait());
    QCOMPARE(finished.at(0).at(0).toString(), path("b.mp3"));
    QCOMPARE(m_converter->runningCount(), 1);
    m_processes.at(0)->succeed();
    QVERIFY(finished.wait());
    QCOMPARE(finished.at(1).at(0).toString(), path("a.mp3"));
    QCOMPARE(m_messages.messages().size(), 2);
    QCOMPARE(filesIn(m_dir->path()), QStringList({"a.mp3", "b.mp3"}));
}

void Mp3ConverterTest::encoderBesideTheProgramComesFirst()
{
    const QString beside = QDir(m_programFolder->path()).filePath("lame");
    QCOMPARE(m_converter->findEncoder(), QStringLiteral("/usr/bin/lame"));
    QVERIFY(writeFile(beside, "not executable"));
    QCOMPARE(m_converter->findEncoder(), QStringLiteral("/usr/bin/lame"));
    QVERIFY(writeScript(beside, "exit 0\n"));
    QCOMPARE(m_converter->findEncoder(), beside);
}

void Mp3ConverterTest::missingEncoderIsReported()
{
    m_lookup.onPath.clear();
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(path("rec.mp3"));
    m_converter->convert();

    QCOMPARE(m_messages.texts(),
             QStringList{"The MP3 encoder lame was not found. Install it with: sudo apt install lame"});
    QCOMPARE(m_messages.messages().at(0).kind, ScriptedUserMessages::Kind::Warn);
    QVERIFY(m_processes.isEmpty());
    QCOMPARE(m_converter->runningCount(), 0);
    QVERIFY(filesIn(m_dir->path()).isEmpty());
}

void Mp3ConverterTest::realLameConvertsAWav()
{
    QtProgramStarter programs;
    if (programs.findProgram("lame").isEmpty())
        QSKIP("needs lame (scripts/install-deps.sh)");
    m_converter = std::make_unique<Mp3Converter>(m_dialogs, m_messages, m_desktop, programs,
                                                 m_programFolder->path(), m_dir->path());
    const QString wav = makeWav("my take.wav", 2.0);
    QVERIFY(!wav.isEmpty());
    QVERIFY(QDir(m_dir->path()).mkpath("mp3 files"));
    const QString mp3 = path("mp3 files/my take.mp3");
    m_dialogs.answer(wav);
    m_dialogs.answer(mp3);
    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    m_converter->convert();
    QVERIFY(finished.wait(waitMs));

    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(m_messages.texts(), QStringList{"Your mp3 has been created:  " + mp3 + ". Would you like to view the file?"});
    QCOMPARE(filesIn(path("mp3 files")), QStringList{"my take.mp3"});

    SF_INFO info;
    const std::vector<float> back = decode(mp3, path("back.wav"), &info);
    QCOMPARE(info.samplerate, 44100);
    QCOMPARE(info.channels, 2);
    QVERIFY2(std::abs(double(info.frames) / 44100.0 - 2.0) < 0.1, qPrintable(QString::number(info.frames)));
    const std::size_t middle = back.size() / 4;
    const double level = TestSounds::rms(back, 0, middle / 2, middle);
    QVERIFY2(std::abs(level - 0.5 / std::sqrt(2.0)) < 0.05, qPrintable(QString::number(level)));
}

void Mp3ConverterTest::realLameReportsProgress()
{
    QtProgramStarter programs;
    const QString lame = programs.findProgram("lame");
    if (lame.isEmpty())
        QSKIP("needs lame (scripts/install-deps.sh)");
    const QString wav = makeWav("long.wav", 20.0);
    Mp3Conversion conversion(std::make_unique<QtEncoderProcess>(), lame, wav, path("long.mp3"));
    QSignalSpy progress(&conversion, &Mp3Conversion::progressChanged);
    QSignalSpy finished(&conversion, &Mp3Conversion::finished);
    QString error;
    QVERIFY(conversion.start(&error));
    QVERIFY(finished.wait(waitMs));

    QVERIFY(finished.at(0).at(0).toBool());
    QVERIFY(!progress.isEmpty());
    QCOMPARE(conversion.percent(), 100);
}

void Mp3ConverterTest::failingEncoderScriptIsReported()
{
    QVERIFY(writeScript(QDir(m_programFolder->path()).filePath("lame"),
                        "echo 'starting' >&2\necho 'lame: the input is not a WAV file' >&2\nexit 1\n"));
    m_converter = makeConverter(false);
    const QString mp3 = path("out.mp3");
    m_dialogs.answer(path("in.wav"));
    m_dialogs.answer(mp3);
    QSignalSpy finished(m_converter.get(), &Mp3Converter::conversionFinished);
    m_converter->convert();
    QVERIFY(finished.wait(waitMs));

    QVERIFY(!finished.at(0).at(1).toBool());
    QCOMPARE(m_messages.texts(), QStringList{"The mp3 could not be created: " + mp3
                                             + "\nThe encoder stopped with exit code 1.\n"
                                               "lame: the input is not a WAV file"});
    QVERIFY(filesIn(m_dir->path()).isEmpty());
}

void Mp3ConverterTest::droppedConverterLeavesNoPartialMp3()
{
    QVERIFY(writeScript(QDir(m_programFolder->path()).filePath("lame"),
                        "echo 'partial' > \"$2\"\nexec sleep 60\n"));
    m_converter = makeConverter(false);
    m_dialogs.answer(path("in.wav"));
    m_dialogs.answer(path("out.mp3"));
    m_converter->convert();
    QCOMPARE(m_converter->runningCount(), 1);
    QTRY_COMPARE(filesIn(m_dir->path()).size(), 1);

    m_converter.reset();
    QVERIFY(filesIn(m_dir->path()).isEmpty());
    QVERIFY(m_messages.messages().isEmpty());
    QVERIFY(!progressWindow());
}

void Mp3ConverterTest::inputThatIsNotSoundIsRefused()
{
    QVERIFY(writeFile(path("x.wav"), "just some text, not a sound\n"));
    QVERIFY(writeFile(path("empty.wav"), QByteArray()));
    for (const char *input : {"x.wav", "empty.wav", "missing.wav"}) {
        m_dialogs.answer(path(QString::fromLatin1(input)));
        m_dialogs.answer(path("out.mp3"));
        m_converter->convert();
    }
    QVERIFY2(m_processes.isEmpty(), "the encoder never ran");
    QCOMPARE(m_messages.messages().size(), 3);
    for (const ScriptedUserMessages::Message &message : m_messages.messages()) {
        QCOMPARE(message.kind, ScriptedUserMessages::Kind::Warn);
        QVERIFY2(message.text.contains("cannot be converted to MP3: it is not a sound file that can be read"),
                 qPrintable(message.text));
    }
    QVERIFY(!QFile::exists(path("out.mp3")));
}

void Mp3ConverterTest::conversionsOutliveTheWindow()
{
    QPointer<Mp3Converter> converter = m_converter.release();
    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(path("rec.mp3"));
    converter->convert();
    converter->finishThenDelete();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(converter, "a running conversion keeps its converter");
    QCOMPARE(Mp3Converter::runningEverywhere(), 1);
    QVERIFY(progressWindow());

    lastProcess()->succeed();
    QTRY_VERIFY(!converter);
    QCOMPARE(filesIn(m_dir->path()), QStringList{"rec.mp3"});
    QVERIFY(!lastProcess() || !lastProcess()->wasKilled());
    QCOMPARE(Mp3Converter::runningEverywhere(), 0);
}

void Mp3ConverterTest::exitWaitsForOrCancelsConversions_data()
{
    QTest::addColumn<bool>("wait");
    QTest::newRow("wait") << true;
    QTest::newRow("cancel") << false;
}

void Mp3ConverterTest::exitWaitsForOrCancelsConversions()
{
    QFETCH(bool, wait);
    Mp3Converter::settleBeforeExit(m_messages, nullptr);
    QVERIFY2(m_messages.messages().isEmpty(), "nothing to ask while nothing runs");

    m_dialogs.answer(path("rec.wav"));
    m_dialogs.answer(path("rec.mp3"));
    m_converter->convert();
    FakeEncoderProcess *process = lastProcess();
    m_messages.queueAnswer(wait);
    // The encoder ends while the question's answer is being waited on.
    if (wait)
        QTimer::singleShot(0, process, [process] { process->succeed(); });
    Mp3Converter::settleBeforeExit(m_messages, nullptr);

    // Waiting ends with the usual word about the finished MP3.
    QCOMPARE(m_messages.messages().size(), wait ? 2 : 1);
    QCOMPARE(m_messages.messages().at(0).kind, ScriptedUserMessages::Kind::Ask);
    QVERIFY(m_messages.texts().at(0).startsWith("MP3 conversions are still running."));
    QCOMPARE(Mp3Converter::runningEverywhere(), 0);
    QCOMPARE(filesIn(m_dir->path()), wait ? QStringList{"rec.mp3"} : QStringList{});
}

QTEST_MAIN(Mp3ConverterTest)
#include "Mp3ConverterTest.moc"
