// The live drop field: drops at the style's rate and pitch, none above the ceiling, and the
// same drops however the sound is cut into blocks.

#include "synth/DropField.h"
#include "synth/LiveSound.h"
#include "synth/SoftCeiling.h"

#include "Spectrum.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kRate = LiveSound::sampleRate;

DropStyle style(double dropsPerSecond, double clickLevel, double ringLevel, double lowest = 1000.0, double highest = 4000.0)
{
    return {.dropsPerSecond = dropsPerSecond, .sizeSkew = 2.0, .lowestPitchHertz = lowest, .highestPitchHertz = highest,
            .distanceSpreadDecibels = 12.0, .clickLevel = clickLevel, .ringLevel = ringLevel, .width = 1.0};
}

// Interleaved stereo, as the spectrum helpers take it.
std::vector<float> render(const DropStyle &style, double seconds, std::size_t block, double ceiling = 1e9)
{
    Random random(3);
    DropField field(style, [](double) { return 1.0; }, 1.0, ceiling, kRate, random);
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<float> left(frames, 0.0f);
    std::vector<float> right(frames, 0.0f);
    for (std::size_t first = 0; first < frames; first += block)
        field.addTo(left.data() + first, right.data() + first, std::min(block, frames - first));
    std::vector<float> stereo(2 * frames);
    for (std::size_t i = 0; i < frames; ++i) {
        stereo[2 * i] = left[i];
        stereo[2 * i + 1] = right[i];
    }
    return stereo;
}

// Bursts of sound more than a millisecond apart.
int countBursts(const std::vector<float> &stereo)
{
    const auto quiet = static_cast<std::size_t>(0.001 * kRate);
    int bursts = 0;
    std::size_t sinceSound = quiet;
    for (std::size_t i = 0; i < stereo.size() / 2; ++i) {
        if (std::max(std::fabs(stereo[2 * i]), std::fabs(stereo[2 * i + 1])) > 1e-4f) {
            bursts += sinceSound >= quiet ? 1 : 0;
            sinceSound = 0;
        } else {
            ++sinceSound;
        }
    }
    return bursts;
}

float peak(const std::vector<float> &samples)
{
    float largest = 0.0f;
    for (const float sample : samples)
        largest = std::max(largest, std::fabs(sample));
    return largest;
}

}

class DropFieldTest : public QObject
{
    Q_OBJECT

private slots:
    void fallsAtTheStylesRate_data();
    void fallsAtTheStylesRate();
    void ringsBetweenTheStylesPitches_data();
    void ringsBetweenTheStylesPitches();
    void easesTheLoudestDropsBelowTheCeiling();
    void isTheSameInAnyBlocks();
    void softCeilingBendsOnlyAboveTheKnee_data();
    void softCeilingBendsOnlyAboveTheKnee();
};

void DropFieldTest::fallsAtTheStylesRate_data()
{
    QTest::addColumn<double>("dropsPerSecond");
    QTest::newRow("sparse") << 2.0;
    QTest::newRow("steady") << 6.0;
}

void DropFieldTest::fallsAtTheStylesRate()
{
    QFETCH(double, dropsPerSecond);
    constexpr double seconds = 300.0;
    // Clicks only, each a few frames long, so that nearly every drop stands alone.
    const int bursts = countBursts(render(style(dropsPerSecond, 1.0, 0.0), seconds, 512));
    const double expected = dropsPerSecond * seconds;
    QVERIFY2(std::fabs(bursts - expected) <= 0.08 * expected, qPrintable(QString::number(bursts)));
}

void DropFieldTest::ringsBetweenTheStylesPitches_data()
{
    QTest::addColumn<double>("lowest");
    QTest::addColumn<double>("highest");
    QTest::newRow("rain") << 1000.0 << 4000.0;
    QTest::newRow("low") << 300.0 << 600.0;
}

void DropFieldTest::ringsBetweenTheStylesPitches()
{
    QFETCH(double, lowest);
    QFETCH(double, highest);
    const std::vector<float> stereo = render(style(20.0, 0.0, 1.0, lowest, highest), 30.0, 512);
    const std::vector<double> power = Spectrum::power(stereo, 0, 0, stereo.size() / 2);
    // The pitch glides up by a quarter as a drop rings.
    const double within = Spectrum::bandPower(power, kRate, 0.8 * lowest, 1.4 * highest);
    const double all = Spectrum::bandPower(power, kRate, 0.0, kRate / 2.0);
    QVERIFY2(within >= 0.9 * all, qPrintable(QString::number(within / all)));
}

void DropFieldTest::easesTheLoudestDropsBelowTheCeiling()
{
    // Few enough that no two ring at once.
    const DropStyle loud = style(0.5, 0.0, 40.0);
    QVERIFY(peak(render(loud, 60.0, 512)) > 2.0f);
    const float eased = peak(render(loud, 60.0, 512, 0.5));
    QVERIFY2(eased <= 0.5f, qPrintable(QString::number(eased)));
}

void DropFieldTest::isTheSameInAnyBlocks()
{
    const DropStyle busy = style(500.0, 0.5, 1.0);
    const std::vector<float> whole = render(busy, 5.0, 4096);
    const std::vector<float> pieces = render(busy, 5.0, 7);
    QVERIFY(peak(whole) > 0.1f);
    float largestDifference = 0.0f;
    for (std::size_t i = 0; i < whole.size(); ++i)
        largestDifference = std::max(largestDifference, std::fabs(whole[i] - pieces[i]));
    QVERIFY2(largestDifference < 1e-5f, qPrintable(QString::number(largestDifference)));
}

void DropFieldTest::softCeilingBendsOnlyAboveTheKnee_data()
{
    QTest::addColumn<float>("sample");
    QTest::addColumn<float>("lowest");
    QTest::addColumn<float>("highest");
    QTest::newRow("quiet") << 0.3f << 0.3f << 0.3f;
    QTest::newRow("at the knee") << -0.6f << -0.6f << -0.6f;
    QTest::newRow("just above") << 0.65f << 0.64f << 0.65f;
    QTest::newRow("far above") << -5.0f << -0.8f << -0.79f;
}

void DropFieldTest::softCeilingBendsOnlyAboveTheKnee()
{
    QFETCH(float, sample);
    QFETCH(float, lowest);
    QFETCH(float, highest);
    float bent = sample;
    SoftCeiling(0.6f, 0.8f).apply(&bent, 1);
    QVERIFY2(bent >= lowest && bent <= highest, qPrintable(QString::number(bent)));
}

QTEST_GUILESS_MAIN(DropFieldTest)
#include "DropFieldTest.moc"
