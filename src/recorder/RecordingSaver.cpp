#include "recorder/RecordingSaver.h"

#include "platform/CaptureDevice.h"
#include "platform/FileDialogs.h"
#include "platform/UserMessages.h"
#include "recorder/EncodeFolder.h"
#include "recorder/Mp3Converter.h"
#include "recorder/RecorderController.h"
#include "recorder/RecordingFileNames.h"
#include "recorder/SaveOptionsWindow.h"

#include <QDir>
#include <QStandardPaths>
#include <QWidget>

using namespace RecordingFileNames;

const QString RecordingSaver::wavFilter = QStringLiteral("Wav File (*.wav)");
const QString RecordingSaver::mp3Filter = QStringLiteral("MP3 Files (*.mp3)");
const QString RecordingSaver::failedText = QStringLiteral("Saving file failed, file name was: ");

RecordingSaver::RecordingSaver(RecorderController &controller, CaptureDevice &device, FileDialogs &dialogs,
                               UserMessages &messages, DesktopServices &desktop, const QString &startFolder,
                               QWidget *window, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_device(device)
    , m_dialogs(dialogs)
    , m_messages(messages)
    , m_desktop(desktop)
    , m_startFolder(startFolder)
    , m_window(window)
{
}

SaveOptionsWindow *RecordingSaver::optionsWindow() const
{
    return m_options;
}

void RecordingSaver::setConverter(Mp3Converter *converter)
{
    if (m_converter)
        m_converter->disconnect(this);
    m_converter = converter;
    if (m_converter)
        connect(m_converter, &Mp3Converter::takeEncoded, this, &RecordingSaver::onTakeEncoded);
}

void RecordingSaver::save()
{
    if (!m_controller.view().saveEnabled)
        return;
    const bool mp3 = m_controller.view().mp3Chosen;
    m_filter = mp3 ? mp3Filter : wavFilter;
    // A cancelled dialog never saves, not even under the previous name.
    const QString fileName = m_dialogs.saveFile(m_window, m_startFolder, m_filter);
    if (fileName.isEmpty())
        return;
    if (mp3) {
        saveAsMp3(fileName);
        return;
    }
    if (!write(fileName))
        return;
    m_controller.markSaved();
    m_savedFileName = fileName;
    showOptions();
}

bool RecordingSaver::write(const QString &fileName)
{
    const bool blanks = hasSpace(fileName);
    QString error;
    if (!m_device.save(blanks ? getShortName(fileName) : fileName, &error)) {
        m_messages.inform(m_window, failedText + fileName + (error.isEmpty() ? QString() : QLatin1Char('\n') + error));
        return false;
    }
    return true;
}

void RecordingSaver::saveAsMp3(const QString &fileName)
{
    const QString mp3Path = fileName.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive)
        ? fileName : fileName + QStringLiteral(".mp3");
    // The take goes to the encoder as a WAV file in the cache, which lies on disk.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString base = QDir().mkpath(cache) ? cache : QDir::tempPath();
    EncodeFolder::removeAbandoned(base);
    auto work = std::make_unique<EncodeFolder>(base);
    QString error = work->errorString();
    const QString wavPath = work->filePath(QStringLiteral("take.wav"));
    if (!m_converter || !work->isValid() || !m_device.save(wavPath, &error)) {
        m_messages.inform(m_window, failedText + mp3Path + (error.isEmpty() ? QString() : QLatin1Char('\n') + error));
        return;
    }
    // Once the encoder runs it holds its own copy of the take, so the window may close.
    if (m_converter->encodeTake(std::move(work), wavPath, mp3Path))
        m_controller.markSaved();
}

void RecordingSaver::onTakeEncoded(const QString &mp3Path)
{
    m_savedFileName = mp3Path;
    showOptions();
}

void RecordingSaver::showOptions()
{
    if (m_options) {
        m_options->setTarget(m_savedFileName);
    } else {
        m_options = new SaveOptionsWindow(m_savedFileName, m_desktop, m_messages, m_window);
        m_options->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_options->show();
    m_options->raise();
    m_options->activateWindow();
}
