#include "recorder/Mp3Converter.h"

#include "product/ProductInfo.h"
#include "platform/DesktopServices.h"
#include "platform/FileDialogs.h"
#include "platform/ProgramStarter.h"
#include "platform/QtEncoderProcess.h"
#include "platform/UserMessages.h"
#include "recorder/EncodeFolder.h"
#include "recorder/Mp3Conversion.h"
#include "recorder/RecordingFileNames.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include <sndfile.h>

using namespace RecordingFileNames;

namespace {

QList<Mp3Converter *> &allConverters()
{
    static QList<Mp3Converter *> converters;
    return converters;
}

// The encoder turns anything into a short MP3 and calls that success, so the input is
// checked as sound first.
bool readableSound(const QString &path, QString *why)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) {
        *why = QString::fromLocal8Bit(sf_strerror(nullptr));
        return false;
    }
    sf_close(file);
    if (info.frames <= 0) {
        *why = Mp3Converter::tr("it holds no sound");
        return false;
    }
    return true;
}

}

const QString Mp3Converter::wavFilter = QStringLiteral("Wav Files (*.wav);;Wav Files (*.*)");
const QString Mp3Converter::mp3Filter = QStringLiteral("Mp3 Files (*.mp3);;mp3 Files (*.*)");
const QString Mp3Converter::encoderName = QStringLiteral("lame");
const QString Mp3Converter::missingEncoderText =
    QStringLiteral("The MP3 encoder lame was not found. Install it with: sudo apt install lame");

Mp3Converter::Mp3Converter(FileDialogs &dialogs, UserMessages &messages, DesktopServices &desktop,
                           const ProgramStarter &programs, const QString &programFolder,
                           const QString &startFolder, QWidget *window, ProcessFactory processes,
                           QObject *parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_messages(messages)
    , m_desktop(desktop)
    , m_programs(programs)
    , m_programFolder(programFolder)
    , m_startFolder(startFolder)
    , m_window(window)
    , m_processes(processes ? std::move(processes) : [] { return std::make_unique<QtEncoderProcess>(); })
{
    allConverters().append(this);
}

Mp3Converter::~Mp3Converter()
{
    allConverters().removeOne(this);
    // Conversions still running end with their part files removed; no message follows.
    for (const Running &running : std::as_const(m_running)) {
        running.conversion->disconnect(this);
        delete running.progress;
    }
}

QString Mp3Converter::findEncoder() const
{
    const QString beside = QDir(m_programFolder).filePath(encoderName);
    if (!m_programFolder.isEmpty() && fileExists(beside) && QFileInfo(beside).isExecutable())
        return beside;
    return m_programs.findProgram(encoderName);
}

void Mp3Converter::convert()
{
    const QString wavPath = m_dialogs.openFile(m_window, m_startFolder, wavFilter);
    if (wavPath.isEmpty())
        return;
    const QString mp3Path = m_dialogs.saveFile(m_window, getPath(wavPath), mp3Filter);
    if (mp3Path.isEmpty())
        return;
    start(wavPath, mp3Path);
}

bool Mp3Converter::encodeTake(std::unique_ptr<EncodeFolder> work, const QString &wavPath, const QString &mp3Path)
{
    return start(wavPath, mp3Path, std::shared_ptr<EncodeFolder>(std::move(work)));
}

bool Mp3Converter::start(const QString &wavPath, const QString &mp3Path, std::shared_ptr<EncodeFolder> takeWork)
{
    const QString encoder = findEncoder();
    if (encoder.isEmpty()) {
        m_messages.warn(m_window, missingEncoderText);
        return false;
    }
    QString why;
    if (!readableSound(wavPath, &why)) {
        m_messages.warn(m_window, tr("%1 cannot be converted to MP3: it is not a sound file that can be read (%2).")
                                      .arg(QDir::toNativeSeparators(wavPath), why));
        return false;
    }
    auto *conversion = new Mp3Conversion(m_processes(), encoder, wavPath, mp3Path, this);
    QString error;
    if (!conversion->start(&error)) {
        delete conversion;
        m_messages.warn(m_window, tr("The mp3 could not be created: %1\n%2").arg(mp3Path, error));
        return false;
    }
    m_running.append({conversion, showProgress(conversion), std::move(takeWork)});
    connect(conversion, &Mp3Conversion::finished, this, [this, conversion](bool succeeded, const QString &reason) {
        onFinished(conversion, succeeded, reason);
    });
    return true;
}

void Mp3Converter::finishThenDelete()
{
    m_orphaned = true;
    m_window = nullptr;
    if (m_running.isEmpty())
        deleteLater();
}

int Mp3Converter::runningEverywhere()
{
    int count = 0;
    for (const Mp3Converter *converter : std::as_const(allConverters()))
        count += converter->runningCount();
    return count;
}

void Mp3Converter::settleBeforeExit(UserMessages &messages, QWidget *parent)
{
    if (runningEverywhere() == 0)
        return;
    const bool wait = messages.ask(parent, tr("MP3 conversions are still running. Wait for them to finish "
                                              "before the program ends? No cancels them."));
    QEventLoop loop;
    for (Mp3Converter *converter : std::as_const(allConverters())) {
        connect(converter, &Mp3Converter::conversionFinished, &loop, [&loop] {
            if (runningEverywhere() == 0)
                loop.quit();
        });
        if (!wait)
            converter->cancelAll();
    }
    // Cancelled encoders end a moment later, removing their part files.
    if (runningEverywhere() > 0)
        loop.exec();
}

void Mp3Converter::cancelAll()
{
    for (const Running &running : std::as_const(m_running))
        running.conversion->cancel();
}

QProgressDialog *Mp3Converter::showProgress(Mp3Conversion *conversion)
{
    auto *progress = new QProgressDialog(
        tr("Converting %1\nto %2").arg(QDir::toNativeSeparators(conversion->wavPath()),
                                        QDir::toNativeSeparators(conversion->mp3Path())),
        tr("Cancel"), 0, 100);
    progress->setWindowTitle(QString::fromLatin1(ProductInfo::title));
    // A window of its own, so that it stays while the conversion outlives the recorder.
    progress->setWindowModality(Qt::NonModal);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setAccessibleName(tr("MP3 conversion progress"));
    progress->setValue(0);
    connect(conversion, &Mp3Conversion::progressChanged, progress, &QProgressDialog::setValue);
    // Closing the progress window, or Escape, cancels just as its button does.
    connect(progress, &QProgressDialog::canceled, conversion, &Mp3Conversion::cancel);
    connect(progress, &QProgressDialog::rejected, conversion, &Mp3Conversion::cancel);
    progress->show();
    return progress;
}

void Mp3Converter::onFinished(Mp3Conversion *conversion, bool succeeded, const QString &reason)
{
    const bool take = closeProgress(conversion);
    const QString mp3Path = conversion->mp3Path();
    const bool cancelled = conversion->wasCancelled();
    conversion->deleteLater();
    if (m_orphaned && m_running.isEmpty())
        deleteLater();
    emit conversionFinished(mp3Path, succeeded);
    if (cancelled)
        return;
    if (!succeeded) {
        m_messages.warn(m_window, tr("The mp3 could not be created: %1\n%2").arg(mp3Path, reason));
        return;
    }
    // The recorder shows its own saved-file window while it is open.
    if (take && !m_orphaned) {
        emit takeEncoded(mp3Path);
        return;
    }
    if (m_messages.ask(m_window, QStringLiteral("Your mp3 has been created:  ") + mp3Path
                                     + QStringLiteral(". Would you like to view the file?"))
        && !m_desktop.showInFolder(mp3Path))
        m_messages.warn(m_window, tr("The folder of %1 could not be shown: no file manager on this desktop "
                                     "took the request.").arg(QDir::toNativeSeparators(mp3Path)));
}

bool Mp3Converter::closeProgress(Mp3Conversion *conversion)
{
    for (qsizetype i = 0; i < m_running.size(); ++i) {
        if (m_running.at(i).conversion != conversion)
            continue;
        if (QProgressDialog *progress = m_running.at(i).progress) {
            progress->disconnect(conversion);
            progress->close();
        }
        const bool take = m_running.at(i).takeWork != nullptr;
        m_running.removeAt(i);
        return take;
    }
    return false;
}
