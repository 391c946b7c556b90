#include "recorder/RecorderFileCommands.h"

#include "recorder/Mp3Converter.h"
#include "recorder/RecorderWindow.h"
#include "recorder/RecordingSaver.h"

#include <QDir>
#include <QStandardPaths>

RecorderFileCommands::RecorderFileCommands(RecorderWindow &window, CaptureDevice &device, FileDialogs &dialogs,
                                           UserMessages &messages, DesktopServices &desktop,
                                           const ProgramStarter &programs, const QString &programFolder)
    : QObject(&window)
    , m_saver(new RecordingSaver(window.controller(), device, dialogs, messages, desktop, startFolder(), &window, this))
    , m_converter(new Mp3Converter(dialogs, messages, desktop, programs, programFolder, startFolder(), &window))
{
    m_saver->setConverter(m_converter);
    connect(&window, &RecorderWindow::saveRequested, m_saver, &RecordingSaver::save);
    connect(&window, &RecorderWindow::convertRequested, m_converter, &Mp3Converter::convert);
}

RecorderFileCommands::~RecorderFileCommands()
{
    m_converter->finishThenDelete();
}

QString RecorderFileCommands::startFolder()
{
    // The program folder, where recordings once went, is read-only once installed.
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QDir(music).exists())
        return music;
    return QDir::homePath();
}
