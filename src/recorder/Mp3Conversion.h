#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class EncoderProcess;
class QTemporaryFile;

// One WAV to MP3 conversion by the encoder lame: `encoder <wav> <part file>`, where the
// part file sits beside the MP3 and replaces it only once the encoder has exited with 0
// and written something, so no half-written MP3 is ever left under the chosen name.
// Reports the percentage lame prints on its error stream as it goes.
class Mp3Conversion : public QObject
{
    Q_OBJECT

public:
    Mp3Conversion(std::unique_ptr<EncoderProcess> process, const QString &encoder, const QString &wavPath,
                  const QString &mp3Path, QObject *parent = nullptr);
    ~Mp3Conversion() override;

    // The percentage in one line of lame's progress ("  1234/5678 (22%)|..."), if any.
    static std::optional<int> percentIn(const QString &line);

    // False, with the reason, when the part file cannot be made; the encoder then never starts.
    bool start(QString *error);
    // Ends the encoder; finished() follows, and the chosen MP3 is left as it was.
    void cancel();

    QString wavPath() const { return m_wavPath; }
    QString mp3Path() const { return m_mp3Path; }
    int percent() const { return m_percent; }
    bool wasCancelled() const { return m_cancelled; }

signals:
    void progressChanged(int percent);
    // Once; `reason` says why a conversion that did not succeed failed.
    void finished(bool succeeded, const QString &reason);

private:
    void onErrorOutput(const QByteArray &bytes);
    void takeLine(const QString &line);
    void onFinished(int exitCode, const QString &failure);
    QString failureReason(int exitCode, const QString &failure) const;
    bool putInPlace(QString *error);

    std::unique_ptr<EncoderProcess> m_process;
    QString m_encoder;
    QString m_wavPath;
    QString m_mp3Path;
    std::unique_ptr<QTemporaryFile> m_part;
    QString m_pendingLine;
    QString m_lastMessage;
    int m_percent = 0;
    bool m_running = false;
    bool m_cancelled = false;
};
