// The doubled copy that the resampler reads: its two phases line up with the sound, and
// the frames around the loop repeat it, for loops shorter than those margins too.

#include "dsp/DoubledSound.h"

#include <QTest>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Interleaved stereo: a sine of `period` frames on the left, its negative at half the
// level on the right.
std::vector<std::int16_t> sineFrames(int frames, double period)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(2 * frames));
    for (int i = 0; i < frames; ++i) {
        const double value = 10000.0 * std::sin(2.0 * std::numbers::pi * i / period);
        samples[static_cast<std::size_t>(2 * i)] = static_cast<std::int16_t>(std::lround(value));
        samples[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::int16_t>(std::lround(-0.5 * value));
    }
    return samples;
}

}

class DoubledSoundTest : public QObject
{
    Q_OBJECT

private slots:
    void followsTheSoundAtBothPhasesAndRepeatsItAround_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<double>("period");
        // 0 is a constant; the longest spans several blocks and ends in a partial one.
        QTest::newRow("one frame") << 1 << 0.0;
        QTest::newRow("three frames") << 3 << 0.0;
        QTest::newRow("a short loop of sine") << 400 << 100.0;
        QTest::newRow("a long loop of sine") << 5000 << 100.0;
    }

    void followsTheSoundAtBothPhasesAndRepeatsItAround()
    {
        QFETCH(int, frames);
        QFETCH(double, period);
        const std::vector<std::int16_t> source =
            period > 0.0 ? sineFrames(frames, period) : std::vector<std::int16_t>(static_cast<std::size_t>(2 * frames), 1000);
        const DoubledSound doubled(source.data(), static_cast<std::size_t>(frames));
        QCOMPARE(doubled.frames(), 2 * frames);
        const std::int16_t *data = doubled.frameData();

        for (std::int64_t i = 0; i < doubled.frames(); ++i) {
            const double position = static_cast<double>(i) / 2.0;
            const double left = period > 0.0 ? 10000.0 * std::sin(2.0 * std::numbers::pi * position / period) : 1000.0;
            const double right = period > 0.0 ? -0.5 * left : 1000.0;
            if (std::abs(data[2 * i] - left) > 2.0 || std::abs(data[2 * i + 1] - right) > 2.0)
                QFAIL(qPrintable(QStringLiteral("frame %1: %2 %3, expected %4 %5").arg(i).arg(data[2 * i]).arg(data[2 * i + 1]).arg(left).arg(right)));
        }
        const std::int64_t length = doubled.frames();
        for (std::int64_t v = 1; v <= DoubledSound::margin; ++v) {
            const std::int64_t before = ((-v) % length + length) % length;
            const std::int64_t after = (v - 1) % length;
            QCOMPARE(data[-2 * v], data[2 * before]);
            QCOMPARE(data[-2 * v + 1], data[2 * before + 1]);
            QCOMPARE(data[2 * (length + v - 1)], data[2 * after]);
            QCOMPARE(data[2 * (length + v - 1) + 1], data[2 * after + 1]);
        }
    }
};

QTEST_GUILESS_MAIN(DoubledSoundTest)
#include "DoubledSoundTest.moc"
