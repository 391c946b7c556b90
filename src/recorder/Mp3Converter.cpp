#include "recorder/Mp3Converter.h"

#include "app/ProductInfo.h"
#include "platform/DesktopServices.h"
#include "platform/FileDialogs.h"
#include "platform/ProgramStarter.h"
#include "platform/QtEncoderProcess.h"
#include "platform/UserMessages.h"
#include "recorder/Mp3Conversion.h"
#include "recorder/RecordingFileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

using namespace RecordingFileNames;

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
}

Mp3Converter::~Mp3Converter()
{
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

void Mp3Converter::start(const QString &wavPath, const QString &mp3Path)
{
    const QString encoder = findEncoder();
    if (encoder.isEmpty()) {
        m_messages.warn(m_window, missingEncoderText);
        return;
    }
    auto *conversion = new Mp3Conversion(m_processes(), encoder, wavPath, mp3Path, this);
    QString error;
    if (!conversion->start(&error)) {
        delete conversion;
        m_messages.warn(m_window, tr("The mp3 could not be created: %1\n%2").arg(mp3Path, error));
        return;
    }
    m_running.append({conversion, showProgress(conversion)});
    connect(conversion, &Mp3Conversion::finished, this, [this, conversion](bool succeeded, const QString &reason) {
        onFinished(conversion, succeeded, reason);
    });
}

QProgressDialog *Mp3Converter::showProgress(Mp3Conversion *conversion)
{
    auto *progress = new QProgressDialog(
        tr("Converting %1\nto %2").arg(QDir::toNativeSeparators(conversion->wavPath()),
                                        QDir::toNativeSeparators(conversion->mp3Path())),
        tr("Cancel"), 0, 100, m_window);
    progress->setWindowTitle(QString::fromLatin1(ProductInfo::title));
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
    closeProgress(conversion);
    const QString mp3Path = conversion->mp3Path();
    const bool cancelled = conversion->wasCancelled();
    conversion->deleteLater();
    emit conversionFinished(mp3Path, succeeded);
    if (cancelled)
        return;
    if (!succeeded) {
        m_messages.warn(m_window, tr("The mp3 could not be created: %1\n%2").arg(mp3Path, reason));
        return;
    }
    if (m_messages.ask(m_window, QStringLiteral("Your mp3 has been created:  ") + mp3Path
                                     + QStringLiteral(". Would you like to view the file?")))
        m_desktop.showInFolder(mp3Path);
}

void Mp3Converter::closeProgress(Mp3Conversion *conversion)
{
    for (qsizetype i = 0; i < m_running.size(); ++i) {
        if (m_running.at(i).conversion != conversion)
            continue;
        if (QProgressDialog *progress = m_running.at(i).progress) {
            progress->disconnect(conversion);
            progress->close();
        }
        m_running.removeAt(i);
        return;
    }
}
