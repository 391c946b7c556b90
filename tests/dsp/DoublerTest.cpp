// The half-band kernel that doubles live sounds: it keeps each frame as it is, passes the
// sound's band flat and leaves its images far below it.

#include "dsp/Doubler.h"
#include "dsp/RunningDoubler.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace {

constexpr double kRate = 22050.0;
constexpr std::int64_t kFrames = 4096;

// The doubled copy of a sine of `hertz` at a quarter of full scale, as interleaved frames.
std::vector<std::int16_t> doubledSine(double hertz)
{
    const Doubler doubler(Doubler::Kernel::HalfBand);
    std::vector<float> left(kFrames + SincTable::doublingTaps + 16);
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = static_cast<float>(8192.0 * std::sin(2.0 * std::numbers::pi * hertz * static_cast<double>(i) / kRate));
    std::vector<std::int16_t> doubled(4 * kFrames);
    doubler.run(left.data(), left.data(), kFrames, doubled.data());
    return doubled;
}

// The level of the doubled left side at `hertz`, in decibels under the input, by a
// correlation over a Blackman window (its side lobes lie under -58 dB, far from the tones).
double levelAt(const std::vector<std::int16_t> &doubled, double hertz)
{
    std::complex<double> sum = 0.0;
    double weights = 0.0;
    const std::size_t count = doubled.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(count - 1);
        const double w = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * x) + 0.08 * std::cos(4 * std::numbers::pi * x);
        sum += w * static_cast<double>(doubled[2 * i]) * std::polar(1.0, -2.0 * std::numbers::pi * hertz * static_cast<double>(i) / (2 * kRate));
        weights += w;
    }
    return 20.0 * std::log10(2.0 * std::abs(sum) / weights / 8192.0 + 1e-12);
}

}

class DoublerTest : public QObject
{
    Q_OBJECT

private slots:
    void keepsEachFrameAsItIs()
    {
        const std::vector<std::int16_t> doubled = doubledSine(1000.0);
        for (std::int64_t j = 0; j < kFrames; j += 97) {
            const double source = 8192.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(j + Doubler::leadFrames) / kRate);
            QVERIFY(std::fabs(doubled[static_cast<std::size_t>(4 * j)] - source) <= 0.5);
        }
    }

    void passesTheBandAndLeavesItsImages_data()
    {
        QTest::addColumn<double>("hertz");
        QTest::newRow("100 Hz") << 100.0;
        QTest::newRow("3 kHz") << 3000.0;
        QTest::newRow("8 kHz") << 8000.0;
        QTest::newRow("9.5 kHz") << 9500.0;
    }

    void passesTheBandAndLeavesItsImages()
    {
        QFETCH(double, hertz);
        const std::vector<std::int16_t> doubled = doubledSine(hertz);
        QVERIFY2(std::fabs(levelAt(doubled, hertz)) <= 0.05, qPrintable(QString::number(levelAt(doubled, hertz))));
        // The image mirrors the tone about the sound's own rate.
        QVERIFY2(levelAt(doubled, kRate - hertz) <= -80.0, qPrintable(QString::number(levelAt(doubled, kRate - hertz))));
    }

    // A stream doubled as it comes, in blocks of any length, is the sound doubled in one piece.
    void doublesAStreamInBlocksAsInOnePiece()
    {
        const std::vector<std::int16_t> whole = doubledSine(1000.0);
        RunningDoubler running(200);
        std::vector<std::int16_t> pieces;
        std::int64_t fed = 0;
        for (std::int64_t block : {1, 62, 16, 17, 200, 5, 31, 128, 199, 3}) {
            for (std::int64_t i = 0; i < block; ++i) {
                const double at = 2.0 * std::numbers::pi * 1000.0 * static_cast<double>(fed + i) / kRate;
                running.left()[i] = running.right()[i] = static_cast<float>(8192.0 * std::sin(at));
            }
            fed += block;
            const std::int64_t doubled = running.take(block);
            QVERIFY(doubled % 32 == 0);
            pieces.insert(pieces.end(), running.doubled(), running.doubled() + 2 * doubled);
        }
        QCOMPARE(static_cast<std::int64_t>(pieces.size()) / 4, (fed - RunningDoubler::historyFrames) / 16 * 16);
        QVERIFY(std::equal(pieces.begin(), pieces.end(), whole.begin()));
    }
};

QTEST_GUILESS_MAIN(DoublerTest)
#include "DoublerTest.moc"
