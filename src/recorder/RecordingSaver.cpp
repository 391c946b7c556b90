#include "recorder/RecordingSaver.h"

#include "platform/CaptureDevice.h"
#include "platform/FileDialogs.h"
#include "platform/UserMessages.h"
#include "recorder/RecorderController.h"
#include "recorder/RecordingFileNames.h"
#include "recorder/SaveOptionsWindow.h"

#include <QWidget>

using namespace RecordingFileNames;

const QString RecordingSaver::wavFilter = QStringLiteral("Wav File (*.wav)");
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

void RecordingSaver::save()
{
    if (!m_controller.view().saveEnabled)
        return;
    if (!m_controller.view().mp3Chosen)
        m_filter = wavFilter;
    // A cancelled dialog never saves, not even under the previous name.
    const QString fileName = m_dialogs.saveFile(m_window, m_startFolder, m_filter);
    if (fileName.isEmpty())
        return;
    if (!write(fileName))
        return;
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
    // Only a complete file lets the device go: the take is on disk by now.
    if (!blanks) {
        m_device.closeAll();
        m_controller.stopStatusTick();
    }
    return true;
}

void RecordingSaver::showOptions()
{
    if (m_options) {
        m_options->setTarget(m_savedFileName);
    } else {
        m_options = new SaveOptionsWindow(m_savedFileName, m_desktop, m_window);
        m_options->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_options->show();
    m_options->raise();
    m_options->activateWindow();
}
