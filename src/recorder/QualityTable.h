#pragma once

#include "platform/CaptureDevice.h"

#include <QString>
#include <QStringList>

// The sixteen recording qualities offered by the quality selector, in its order.
class QualityTable
{
public:
    static constexpr int entryCount = 16;
    // Selected when the window loads: "11.025kHz, 16bit Stereo, 43k/sec".
    static constexpr int defaultIndex = 7;

    static QStringList texts();
    // The format for a selector text, compared exactly with the table in order; a text
    // that matches no entry gives an incomplete format with alignment and rate 0.
    static CaptureFormat formatFor(const QString &text);
};
