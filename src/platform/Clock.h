#pragma once

#include <QDateTime>

// The current local date and time.
//
// Contract: UI thread; never blocks. Tests drive a manual clock so that a recording's
// elapsed time can be stepped without waiting.
class Clock
{
public:
    virtual ~Clock() = default;

    virtual QDateTime now() const = 0;
};
