#include "recorder/QualityTable.h"

#include <array>
#include <cmath>

namespace {

struct Entry
{
    const char *text;
    int samplesPerSecond;
    int channels;
    int bitsPerSample;
};

// Rows from 22.050 up say "Hz" where the lower ones say "kHz"; users know these texts.
constexpr std::array<Entry, QualityTable::entryCount> entries{{
    {"8.000kHz, 8bit Mono, 7k/sec", 8000, 1, 8},
    {"8.000kHz, 8bit Stereo, 15k/sec", 8000, 2, 8},
    {"8.000kHz, 16bit Mono, 15k/sec", 8000, 1, 16},
    {"8.000kHz, 16bit Stereo, 31k/sec", 8000, 2, 16},
    {"11.025kHz, 8bit Mono, 10k/sec", 11025, 1, 8},
    {"11.025kHz, 8bit Stereo, 21k/sec", 11025, 2, 8},
    {"11.025kHz, 16bit Mono, 21k/sec", 11025, 1, 16},
    {"11.025kHz, 16bit Stereo, 43k/sec", 11025, 2, 16},
    {"22.050Hz, 8bit Mono, 21k/sec", 22050, 1, 8},
    {"22.050Hz, 8bit Stereo, 43k/sec", 22050, 2, 8},
    {"22.050Hz, 16bit Mono, 43k/sec", 22050, 1, 16},
    {"22.050Hz, 16bit Stereo, 86k/sec", 22050, 2, 16},
    {"44.100Hz, 8bit Mono, 43k/sec", 44100, 1, 8},
    {"44.100Hz, 8bit Stereo, 86k/sec", 44100, 2, 8},
    {"44.100Hz, 16bit Mono, 86k/sec", 44100, 1, 16},
    {"44.100Hz, 16bit Stereo, 172k/sec", 44100, 2, 16},
}};

}

QStringList QualityTable::texts()
{
    QStringList result;
    for (const Entry &entry : entries)
        result.append(QString::fromLatin1(entry.text));
    return result;
}

CaptureFormat QualityTable::formatFor(const QString &text)
{
    CaptureFormat format;
    for (const Entry &entry : entries) {
        if (text == QLatin1String(entry.text)) {
            format.samplesPerSecond = entry.samplesPerSecond;
            format.channels = entry.channels;
            format.bitsPerSample = entry.bitsPerSample;
            break;
        }
    }
    format.alignment = int(std::lround(format.bitsPerSample * format.channels / 8.0));
    format.bytesPerSecond = format.alignment * format.samplesPerSecond;
    return format;
}
