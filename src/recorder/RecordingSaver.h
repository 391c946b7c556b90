#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class CaptureDevice;
class DesktopServices;
class FileDialogs;
class Mp3Converter;
class RecorderController;
class SaveOptionsWindow;
class QWidget;
class UserMessages;

// "Save": writes the take held by the capture device to a WAV file the user chooses, or
// with "MP3" chosen encodes it to an MP3 file, then offers the Save Options window (for
// an MP3 once the encoder has succeeded). The take stays in the device, so it can be
// saved again under any name.
//
// The device writes beside the target and replaces it only with a complete file, so an
// old file of the chosen name survives any failure; a failed save is reported and keeps
// the take in the device, so the user can choose another place.
class RecordingSaver : public QObject
{
    Q_OBJECT

public:
    static const QString wavFilter;
    static const QString mp3Filter;
    static const QString failedText;

    RecordingSaver(RecorderController &controller, CaptureDevice &device, FileDialogs &dialogs,
                   UserMessages &messages, DesktopServices &desktop, const QString &startFolder,
                   QWidget *window = nullptr, QObject *parent = nullptr);

    void save();
    // What encodes takes saved with "MP3" chosen; without one such a save is refused.
    void setConverter(Mp3Converter *converter);

    // The file of the last successful save; the Save Options window acts on it.
    QString savedFileName() const { return m_savedFileName; }
    SaveOptionsWindow *optionsWindow() const;

private:
    bool write(const QString &fileName);
    void saveAsMp3(const QString &fileName);
    void onTakeEncoded(const QString &mp3Path);
    void showOptions();

    RecorderController &m_controller;
    CaptureDevice &m_device;
    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    DesktopServices &m_desktop;
    QString m_startFolder;
    QPointer<QWidget> m_window;
    // No filter until a save with "Wav" chosen sets one; "MP3" keeps whatever is there.
    QString m_filter;
    QString m_savedFileName;
    QPointer<SaveOptionsWindow> m_options;
    QPointer<Mp3Converter> m_converter;
};
