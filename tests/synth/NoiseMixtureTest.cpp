// Independent noises summed into one response: each part keeps its share of the power.

#include "synth/NoiseMixture.h"
#include "synth/NoiseTable.h"
#include "synth/Random.h"

#include <QtTest>

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

constexpr double kRate = 22050.0;
constexpr std::size_t kFrames = std::size_t{1} << 14;

NoiseTable::Response box(double low, double high, double height)
{
    return [=](double hertz) { return hertz >= low && hertz < high ? height : 0.0; };
}

// The share of one side's power that lies from `low` to `high`.
double powerShare(const float *samples, double low, double high)
{
    std::vector<double> frame(samples, samples + kFrames);
    std::vector<std::complex<double>> spectrum(kFrames / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(kFrames), frame.data(),
                                          reinterpret_cast<fftw_complex *>(spectrum.data()), FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    double inside = 0.0;
    double total = 0.0;
    for (std::size_t bin = 0; bin < spectrum.size(); ++bin) {
        const double hertz = static_cast<double>(bin) * kRate / static_cast<double>(kFrames);
        total += std::norm(spectrum[bin]);
        if (hertz >= low && hertz < high)
            inside += std::norm(spectrum[bin]);
    }
    return inside / total;
}

}

class NoiseMixtureTest : public QObject
{
    Q_OBJECT

private slots:
    void keepsEachPartsShare_data();
    void keepsEachPartsShare();
};

void NoiseMixtureTest::keepsEachPartsShare_data()
{
    QTest::addColumn<double>("lowRms");
    QTest::addColumn<double>("highRms");
    // The heights differ from the levels, so that only the parts' RMS may decide the shares.
    QTest::addColumn<double>("lowHeight");
    QTest::newRow("faint hiss over rumble") << 1.0 << 0.02 << 0.1;
    QTest::newRow("equal") << 0.5 << 0.5 << 3.0;
    QTest::newRow("louder high part") << 0.3 << 1.0 << 1.0;
}

void NoiseMixtureTest::keepsEachPartsShare()
{
    QFETCH(double, lowRms);
    QFETCH(double, highRms);
    QFETCH(double, lowHeight);
    // A narrow low band and a wide high one: equal heights would give very unequal powers.
    const NoiseMixture mixture({{box(100.0, 200.0, lowHeight), lowRms}, {box(2000.0, 6000.0, 1.0), highRms}}, kFrames, kRate);
    QCOMPARE(mixture.rms(), std::hypot(lowRms, highRms));
    Random random(5);
    const NoiseTable table(mixture.response(), kFrames, kRate, random);
    const double lowShare = lowRms * lowRms / (lowRms * lowRms + highRms * highRms);
    for (int side = 0; side < 2; ++side) {
        QVERIFY(std::fabs(powerShare(table.side(side), 100.0, 200.0) - lowShare) < 1e-6);
        QVERIFY(std::fabs(powerShare(table.side(side), 2000.0, 6000.0) - (1.0 - lowShare)) < 1e-6);
    }
}

QTEST_GUILESS_MAIN(NoiseMixtureTest)
#include "NoiseMixtureTest.moc"
