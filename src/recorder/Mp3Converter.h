#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class DesktopServices;
class EncoderProcess;
class FileDialogs;
class Mp3Conversion;
class ProgramStarter;
class QProgressDialog;
class QWidget;
class UserMessages;

// "Convert Wav - Mp3": asks for a WAV file and an MP3 name, runs the encoder lame on them
// and shows its progress in a small window of its own, so the recorder stays usable and
// several conversions can run side by side. The user hears of the MP3 only once it is
// complete, and of a missing or failing encoder with the reason.
class Mp3Converter : public QObject
{
    Q_OBJECT

public:
    using ProcessFactory = std::function<std::unique_ptr<EncoderProcess>()>;

    static const QString wavFilter;
    static const QString mp3Filter;
    static const QString encoderName;
    static const QString missingEncoderText;

    // `programFolder` is searched for lame first, then the search path through `programs`.
    Mp3Converter(FileDialogs &dialogs, UserMessages &messages, DesktopServices &desktop,
                 const ProgramStarter &programs, const QString &programFolder, const QString &startFolder,
                 QWidget *window = nullptr, ProcessFactory processes = {}, QObject *parent = nullptr);
    ~Mp3Converter() override;

    void convert();
    // The encoder that convert() would run, or empty when there is none.
    QString findEncoder() const;
    int runningCount() const { return int(m_running.size()); }

signals:
    void conversionFinished(const QString &mp3Path, bool succeeded);

private:
    struct Running
    {
        Mp3Conversion *conversion;
        QPointer<QProgressDialog> progress;
    };

    void start(const QString &wavPath, const QString &mp3Path);
    QProgressDialog *showProgress(Mp3Conversion *conversion);
    void onFinished(Mp3Conversion *conversion, bool succeeded, const QString &reason);
    void closeProgress(Mp3Conversion *conversion);

    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    DesktopServices &m_desktop;
    const ProgramStarter &m_programs;
    QString m_programFolder;
    QString m_startFolder;
    QPointer<QWidget> m_window;
    ProcessFactory m_processes;
    QList<Running> m_running;
};
