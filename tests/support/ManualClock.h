#pragma once

#include "platform/Clock.h"

// A clock that moves only when the test moves it.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(const QDateTime &start = QDateTime(QDate(2024, 3, 1), QTime(10, 0, 0)))
        : m_now(start)
    {
    }

    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void advance(qint64 milliseconds) { m_now = m_now.addMSecs(milliseconds); }

private:
    QDateTime m_now;
};
