#pragma once

#include "platform/CaptureDevice.h"
#include "recorder/RecorderSettings.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class Clock;
class QWidget;
class UserMessages;

// The recorder window's logic: the states Ready, Recording and Stopped, what each shows
// (status word and colour, lamp, clock, size readout, which buttons are shown and usable),
// the stop conditions and the commands sent to the capture device.
//
// The window mirrors view() and forwards the user's actions here. Three timers drive the
// ticks (see RecorderTimers); view() says which of them should run, and a tick that
// arrives while its timer should be off does nothing.
class RecorderController : public QObject
{
    Q_OBJECT

public:
    enum class State { Ready, Recording, Stopped };

    static constexpr quint32 red = 255;
    static constexpr quint32 green = 65280;
    static constexpr quint32 yellow = 65535;

    static constexpr int statusTickInterval = 19;
    static constexpr int clockTickInterval = 1000;
    static constexpr int stopCheckInterval = 1000;

    static constexpr int targetSizeMinimum = 1;
    static constexpr int targetSizeMaximum = 1000;
    static constexpr int targetSizeLargeStep = 200;
    static constexpr int targetLengthMinimum = 1;
    static constexpr int targetLengthMaximum = 100;
    static constexpr int targetLengthLargeStep = 20;

    // What the window shows; the initial values are those of a freshly built window.
    struct View
    {
        State state = State::Ready;
        QString statusText = QStringLiteral("READY");
        quint32 statusColour = green;
        quint32 lampColour = red;
        QString clockText = QStringLiteral("00:00:00");
        QString sizeText = QStringLiteral("0\r\n");

        bool recordNowVisible = true;
        bool recordNowEnabled = true;
        bool stopVisible = false;
        bool stopEnabled = false;
        bool resetEnabled = false;
        bool saveEnabled = false;
        bool outputTypeEnabled = true;

        int stopAtSize = 0;
        int stopAtLength = 0;
        int targetSize = 700;
        int targetLength = 70;
        QString targetSizeText = QStringLiteral("700");
        QString targetLengthText = QStringLiteral("60");
        bool targetSizeControlsEnabled = true;
        bool targetLengthControlsEnabled = true;

        int qualityIndex = -1;
        bool mp3Chosen = false;

        bool statusTickOn = true;
        bool clockTickOn = false;
        bool stopCheckOn = false;
    };

    RecorderController(CaptureDevice &device, UserMessages &messages, const Clock &clock,
                       QObject *parent = nullptr);

    const View &view() const { return m_view; }
    // Clock ticks counted since the recording started; wide enough for any take.
    qint32 elapsedTicks() const { return m_elapsedTicks; }
    // The leading number of the size readout: decimal megabytes recorded.
    double currentMegabytes() const;

    // Message boxes are shown over this window.
    void setDialogParent(QWidget *parent);

    // Design values, then the saved choices, then the capture device reopened.
    void load(const std::optional<RecorderSettings> &saved);
    // Closes the capture device, discarding what it holds.
    void unload();
    // After Reset: the clock starts again from now.
    void restartClock();
    // Fills the fields this controller owns: the stop conditions, quality and output type.
    void saveTo(RecorderSettings &settings) const;

    void recordNow();
    void stop();
    // A take with sound that no save has written yet; closing or resetting would lose it.
    bool hasUnsavedTake() const;
    // The take was written to a file the user chose.
    void markSaved() { m_saved = true; }
    // Session end: stops a recording and leaves an unsaved take where the next load offers
    // it; the device is closed either way.
    void keepUnsavedTake();
    // A save that closed the device ends the status tick; the readout keeps its value.
    void stopStatusTick();

    // Each answers false and changes nothing for a value out of range; a value equal to
    // the current one runs no handler.
    bool setStopAtSize(int state);
    bool setStopAtLength(int state);
    bool setTargetSize(int megabytes);
    bool setTargetLength(int minutes);
    bool setQualityIndex(int index);
    void setMp3Chosen(bool chosen);

public slots:
    void statusTick();
    void clockTick();
    void stopCheckTick();

signals:
    // Anything in view() but the size readout changed.
    void changed();
    void sizeTextChanged(const QString &text);

private:
    void applySaved(const RecorderSettings &saved);
    void offerLeftTake();
    bool holdsSound() const;
    void captureFailed(const QString &reason);
    void increment();
    void stopBySize();
    void stopByLength();
    void enterStoppedButtons();
    void showStoppedLook();
    QString formatMegabytes(qint64 bytes) const;

    CaptureDevice &m_device;
    UserMessages &m_messages;
    const Clock &m_clock;
    QPointer<QWidget> m_dialogParent;
    QLocale m_locale;
    View m_view;
    qint32 m_elapsedTicks = 0;
    QDateTime m_startTime;
    bool m_saved = false;
};
