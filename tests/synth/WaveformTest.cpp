// Steady tones read from a one-cycle table: each harmonic at its level, at the frequency
// asked for, still in tune after hours.

#include "synth/Random.h"
#include "synth/TonePhase.h"
#include "synth/Waveform.h"

#include <QtTest>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kRate = 22050.0;

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

class WaveformTest : public QObject
{
    Q_OBJECT

private slots:
    void playsEachHarmonicAtItsLevel_data();
    void playsEachHarmonicAtItsLevel();
    void staysInTuneForHours();
};

void WaveformTest::playsEachHarmonicAtItsLevel_data()
{
    QTest::addColumn<double>("hertz");
    QTest::addColumn<std::vector<double>>("levels");
    QTest::newRow("engine") << 94.25 << std::vector<double>{0.06, 0.03, 0.018, 0.009};
    QTest::newRow("mains hum") << 50.0 << std::vector<double>{0.5, 1.0, 0.35, 0.3, 0.12, 0.15};
    QTest::newRow("pure") << 80.0 << std::vector<double>{0.45};
}

void WaveformTest::playsEachHarmonicAtItsLevel()
{
    QFETCH(double, hertz);
    QFETCH(std::vector<double>, levels);
    Random random(3);
    const Waveform wave(levels, random);
    TonePhase phase(hertz, kRate);
    // Four seconds: a whole number of cycles of every tone above.
    std::vector<float> samples(static_cast<std::size_t>(4 * kRate));
    for (float &sample : samples)
        sample = wave.at(phase.next());
    // One harmonic past the last, which must be silent.
    levels.push_back(0.0);
    for (std::size_t harmonic = 0; harmonic < levels.size(); ++harmonic) {
        const double measured = amplitudeAt(samples, hertz * static_cast<double>(harmonic + 1));
        QVERIFY2(std::fabs(measured - levels[harmonic]) <= 1e-4 * levels[0],
                 qPrintable(QStringLiteral("harmonic %1: %2 against %3").arg(harmonic + 1).arg(measured).arg(levels[harmonic])));
    }
}

void WaveformTest::staysInTuneForHours()
{
    constexpr double hertz = 94.25;
    constexpr std::uint64_t samples = 3 * 3600 * 22050;
    TonePhase phase(hertz, kRate);
    for (std::uint64_t i = 0; i < samples; ++i)
        phase.next();
    const double cycles = hertz * static_cast<double>(samples) / kRate;
    const double expected = cycles - std::floor(cycles);
    const double reached = static_cast<double>(phase.next()) / 4294967296.0;
    // A fiftieth of a cycle after three hours: a drift of two millionths of a hertz.
    const double off = std::fabs(reached - expected);
    QVERIFY2(std::min(off, 1.0 - off) < 0.02, qPrintable(QStringLiteral("%1 of a cycle off").arg(off)));
}

QTEST_GUILESS_MAIN(WaveformTest)
#include "WaveformTest.moc"
