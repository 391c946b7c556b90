#pragma once

#include "render/RenderOptions.h"

#include <QDialog>

#include <functional>
#include <memory>

class FileDialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QWidget;
class RenderJob;
class SoundEngine;
class SoundFileWriter;
class UserMessages;

// "Render Mix…": length, format, rate, fades and seamless loop, then a progress bar with
// the time left and Cancel. The console plays on during the render, which mixes a copy of
// its channels as they stand when "Render" is pressed.
class RenderWindow : public QDialog
{
    Q_OBJECT

public:
    struct Services
    {
        const SoundEngine *engine;  // required: the mix to render
        FileDialogs *fileDialogs;   // required
        UserMessages *messages;     // required
        QString folder;             // where the output is proposed
        // Makes the file writer of each render; libsndfile when not given.
        std::function<std::unique_ptr<SoundFileWriter>()> makeWriter;
    };

    explicit RenderWindow(Services services, QWidget *parent = nullptr);
    ~RenderWindow() override;

    // Shows the one render window of `parent`, making it when there is none.
    static RenderWindow *showFor(QWidget *parent, const Services &services);

    // The options as the controls set them.
    RenderOptions options() const;
    RenderJob *job() const { return m_job.get(); }

    void startRender();
    void cancelRender();
    // Escape and closing the window end the render once the user agrees: no file appears
    // after the window is gone.
    void reject() override;
    // Ends a render without a question, for a program that ends with nobody to answer.
    void stopWithoutAsking();

signals:
    void renderFinished(bool written);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildForm();
    QWidget *buildProgress();
    void formatChosen();
    void outputEdited(const QString &text);
    bool mayWrite(const QString &path);
    bool mayStopRender();
    void loopToggled(bool on);
    void unitChosen();
    void browse();
    void showProgress(double fraction, double secondsLeft);
    void setRendering(bool rendering);
    void renderDone(bool written, const QString &status);

    Services m_services;
    // The file the save dialog already asked about replacing.
    QString m_confirmedPath;
    int m_unitIndex = -1;
    std::unique_ptr<RenderJob> m_job;
    QWidget *m_form = nullptr;
    QSpinBox *m_length = nullptr;
    QComboBox *m_unit = nullptr;
    QComboBox *m_format = nullptr;
    QLabel *m_quality = nullptr;
    QComboBox *m_rate = nullptr;
    QSpinBox *m_fadeIn = nullptr;
    QSpinBox *m_fadeOut = nullptr;
    QCheckBox *m_loop = nullptr;
    QLineEdit *m_output = nullptr;
    QPushButton *m_browse = nullptr;
    QPushButton *m_render = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_close = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
};
