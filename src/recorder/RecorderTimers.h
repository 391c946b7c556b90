#pragma once

#include <QObject>
#include <QTimer>

class RecorderController;

// The recorder window's three timers: the status tick, the clock tick and the stop check.
// Each runs while the controller's view says it should and drives the matching tick.
class RecorderTimers : public QObject
{
    Q_OBJECT

public:
    explicit RecorderTimers(RecorderController &controller, QObject *parent = nullptr);

    const QTimer &statusTimer() const { return m_statusTimer; }
    const QTimer &clockTimer() const { return m_clockTimer; }
    const QTimer &stopCheckTimer() const { return m_stopCheckTimer; }

private:
    void follow();

    RecorderController &m_controller;
    QTimer m_statusTimer;
    QTimer m_clockTimer;
    QTimer m_stopCheckTimer;
};
