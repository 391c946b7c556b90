#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class DesktopServices;
class EncodeFolder;
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
// complete, and of a missing or failing encoder with the reason. A file that is not sound
// is refused before the encoder runs. Conversions outlive the recorder window: one that
// is running when the window closes finishes and puts its file in place.
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
    // Encodes a recorder take written to `wavPath` inside `work`, which goes once the
    // conversion ends; false, with the reason shown, when it cannot start. Success is
    // reported through takeEncoded() instead of the question to view the file.
    bool encodeTake(std::unique_ptr<EncodeFolder> work, const QString &wavPath, const QString &mp3Path);
    // The encoder that convert() would run, or empty when there is none.
    QString findEncoder() const;
    int runningCount() const { return int(m_running.size()); }
    // For the window that goes away: lets running conversions finish, then deletes itself.
    void finishThenDelete();

    // Conversions running in the whole program.
    static int runningEverywhere();
    // Before the program ends: asks whether to wait for running conversions or to cancel
    // them, and returns once none runs any more. Returns at once when none runs.
    static void settleBeforeExit(UserMessages &messages, QWidget *parent);

signals:
    void conversionFinished(const QString &mp3Path, bool succeeded);
    void takeEncoded(const QString &mp3Path);

private:
    struct Running
    {
        Mp3Conversion *conversion;
        QPointer<QProgressDialog> progress;
        std::shared_ptr<EncodeFolder> takeWork;
    };

    bool start(const QString &wavPath, const QString &mp3Path, std::shared_ptr<EncodeFolder> takeWork = {});
    void cancelAll();
    QProgressDialog *showProgress(Mp3Conversion *conversion);
    void onFinished(Mp3Conversion *conversion, bool succeeded, const QString &reason);
    // True for a conversion of a recorder take.
    bool closeProgress(Mp3Conversion *conversion);

    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    DesktopServices &m_desktop;
    const ProgramStarter &m_programs;
    QString m_programFolder;
    QString m_startFolder;
    QPointer<QWidget> m_window;
    ProcessFactory m_processes;
    QList<Running> m_running;
    bool m_orphaned = false;
};
