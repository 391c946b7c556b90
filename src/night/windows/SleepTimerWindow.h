#pragma once

#include "settings/Preferences.h"

#include <QDialog>

class QComboBox;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

// The sleep timer's choices: how long (a preset, any length up to 12 hours, or until a
// clock time), how the sound fades, and what happens at the end. "Start" accepts.
class SleepTimerWindow : public QDialog
{
    Q_OBJECT

public:
    explicit SleepTimerWindow(const Preferences::Sleep &plan, QWidget *parent = nullptr);

    Preferences::Sleep plan() const;

private:
    void showChoices();

    QComboBox *m_length = nullptr;
    QSpinBox *m_minutes = nullptr;
    QTimeEdit *m_clockTime = nullptr;
    QRadioButton *m_fadeLast = nullptr;
    QRadioButton *m_fadeWhole = nullptr;
    QSpinBox *m_fadeMinutes = nullptr;
    QRadioButton *m_endPause = nullptr;
    QRadioButton *m_endExit = nullptr;
};
