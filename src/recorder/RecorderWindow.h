#pragma once

#include "recorder/RecorderController.h"

#include <QPointer>
#include <QWidget>

class AkLed;
class CaptureDevice;
class Clock;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class RecorderSourcePanel;
class RecorderTimers;
class TroubleshootingWindow;
class UserMessages;

// The "Sound Recorder" window: mirrors its RecorderController, keeps its choices and place
// in settings9.txt, folds between an expanded and a compact height and moves when dragged
// by its background. It loads when built and unloads when closed (and deletes itself then).
//
// Saving and MP3 conversion belong to other classes: they listen to saveRequested() and
// convertRequested() and use controller() (output type, stopStatusTick()).
class RecorderWindow : public QWidget
{
    Q_OBJECT

public:
    RecorderWindow(CaptureDevice &device, UserMessages &messages, const Clock &clock,
                   RecorderSourcePanel *sourcePanel = nullptr, QWidget *parent = nullptr);
    ~RecorderWindow() override;

    RecorderController &controller() { return m_controller; }
    const RecorderTimers &timers() const { return *m_timers; }
    static QString settingsPath();

    // Reset: unload and load afresh, ready for the next take.
    void reload();
    // Session end or a signal, where nobody can answer: asks nothing, stops a recording,
    // keeps an unsaved take for the next opening to offer, writes the settings and closes.
    void endSession();
    // Outer height in twips (frame included).
    void setOuterHeight(double twips);
    double outerHeight() const;

signals:
    void saveRequested();
    void convertRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void build();
    void buildInformation();
    void buildControls();
    void buildOutputType();
    void buildQuality();
    void buildOtherOptions();
    void buildWindowButtons();
    void buildMenu();
    void connectControls();

    void load();
    void unload();
    // Before an unsaved take would be lost: save it, discard it, or go back (false).
    bool mayDiscardTake();
    void resetAfterAsking();
    // Hides the groups that the window's height would cut through.
    void showWholeGroupsOnly();
    QRect availableScreenArea() const;
    void applyPlace(const RecorderSettings &saved);
    void setToggles(double heightTwips);
    void expand();
    void compact();
    void showHelp();

    void refresh();
    void showSize(const QString &text);

    UserMessages &m_messages;
    RecorderController m_controller;
    RecorderTimers *m_timers = nullptr;
    RecorderSourcePanel *m_sourcePanel = nullptr;
    int m_sourceLine = 0;
    QString m_sourceName;
    double m_wantedHeight = RecorderSettings::expandedHeight;
    bool m_loaded = false;
    bool m_shownOnce = false;
    bool m_dragging = false;
    bool m_sessionEnding = false;
    QPointF m_dragStart;
    QPointer<TroubleshootingWindow> m_help;

    QWidget *m_body = nullptr;
    AkLed *m_lamp = nullptr;
    QLabel *m_status = nullptr;
    QLineEdit *m_clock = nullptr;
    QLabel *m_size = nullptr;
    QPushButton *m_recordNow = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_reset = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_expand = nullptr;
    QPushButton *m_compact = nullptr;
    QPushButton *m_convert = nullptr;
    QPushButton *m_help6 = nullptr;
    QPushButton *m_close = nullptr;
    QRadioButton *m_mp3 = nullptr;
    QRadioButton *m_wav = nullptr;
    QComboBox *m_quality = nullptr;
    QCheckBox *m_stopAtSize = nullptr;
    QCheckBox *m_stopAtLength = nullptr;
    QScrollBar *m_targetSize = nullptr;
    QScrollBar *m_targetLength = nullptr;
    QLabel *m_targetSizeCaption = nullptr;
    QLabel *m_targetSizeText = nullptr;
    QLabel *m_targetLengthCaption = nullptr;
    QLabel *m_targetLengthText = nullptr;
    QWidget *m_sourceSlot = nullptr;
    QAction *m_high = nullptr;
};
