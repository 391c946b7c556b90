#pragma once

#include <QObject>
#include <QString>

class CaptureDevice;
class DesktopServices;
class FileDialogs;
class Mp3Converter;
class ProgramStarter;
class RecorderWindow;
class RecordingSaver;
class UserMessages;

// Attaches saving and the MP3 conversion to a recorder window: "Save" and
// "Convert Wav - Mp3". It is a child of the window, so it goes with it; conversions still
// running then end without leaving a partial MP3.
class RecorderFileCommands : public QObject
{
    Q_OBJECT

public:
    RecorderFileCommands(RecorderWindow &window, CaptureDevice &device, FileDialogs &dialogs,
                         UserMessages &messages, DesktopServices &desktop, const ProgramStarter &programs,
                         const QString &programFolder);
    ~RecorderFileCommands() override;

    // Where the file dialogs open: the user's music folder, else the home folder.
    static QString startFolder();

    RecordingSaver &saver() { return *m_saver; }
    Mp3Converter &converter() { return *m_converter; }

private:
    RecordingSaver *m_saver;
    Mp3Converter *m_converter;
};
