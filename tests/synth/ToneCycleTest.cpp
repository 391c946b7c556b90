// Steady tones tabulated over a period they fill whole: each harmonic at its level and in
// tune, and no seam where the period starts again.

#include "synth/Random.h"
#include "synth/ToneCycle.h"
#include "synth/Waveform.h"

#include <QtTest>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kRate = 44100.0;

// The amplitude of the component at `hertz`, over a whole number of its cycles.
double amplitudeAt(const std::vector<float> &samples, double hertz)
{
    double sine = 0.0;
    double cosine = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double angle = 2.0 * std::numbers::pi * hertz * static_cast<double>(i) / kRate;
        sine += samples[i] * std::sin(angle);
        cosine += samples[i] * std::cos(angle);
    }
    return 2.0 * std::hypot(sine, cosine) / static_cast<double>(samples.size());
}

}

class ToneCycleTest : public QObject
{
    Q_OBJECT

private slots:
    void playsEachHarmonicAtItsLevelAcrossThePeriodsEnd_data();
    void playsEachHarmonicAtItsLevelAcrossThePeriodsEnd();
};

void ToneCycleTest::playsEachHarmonicAtItsLevelAcrossThePeriodsEnd_data()
{
    QTest::addColumn<double>("hertz");
    QTest::addColumn<std::size_t>("periodFrames");
    QTest::addColumn<std::vector<double>>("levels");
    QTest::newRow("engine") << 94.25 << std::size_t{176400} << std::vector<double>{0.06, 0.03, 0.018, 0.009};
    QTest::newRow("mains hum") << 50.0 << std::size_t{882} << std::vector<double>{0.5, 1.0, 0.35, 0.3, 0.12, 0.15};
    QTest::newRow("throb") << 80.0 << std::size_t{2205} << std::vector<double>{0.45};
}

// A seam where the period starts again, or a tone out of tune, would spread each harmonic
// over its neighbours and take from its level over four seconds read across the seams.
void ToneCycleTest::playsEachHarmonicAtItsLevelAcrossThePeriodsEnd()
{
    QFETCH(double, hertz);
    QFETCH(std::size_t, periodFrames);
    QFETCH(std::vector<double>, levels);
    Random random(3);
    ToneCycle cycle(1, periodFrames, kRate);
    cycle.add(0, Waveform(levels, random), hertz);
    // Start a third of the way in, so that the last period's end is read too.
    std::vector<float> skipped(periodFrames / 3);
    cycle.addTo(skipped.data(), skipped.data(), skipped.size(), 0, 0);
    std::vector<float> samples(static_cast<std::size_t>(4 * kRate));
    std::vector<float> same(samples.size());
    cycle.addTo(samples.data(), same.data(), samples.size(), 0, 0);
    // One harmonic past the last, which must be silent.
    levels.push_back(0.0);
    for (std::size_t harmonic = 0; harmonic < levels.size(); ++harmonic) {
        const double measured = amplitudeAt(samples, hertz * static_cast<double>(harmonic + 1));
        QVERIFY2(std::fabs(measured - levels[harmonic]) <= 1e-4 * levels[0],
                 qPrintable(QStringLiteral("harmonic %1: %2 against %3").arg(harmonic + 1).arg(measured).arg(levels[harmonic])));
    }
}

QTEST_GUILESS_MAIN(ToneCycleTest)
#include "ToneCycleTest.moc"
