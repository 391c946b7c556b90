// The slow rise and fall of a singer: bounded, of unit RMS, each cycle within its range of
// lengths, and of the mean power that the sounds divide by.

#include "synth/Random.h"
#include "synth/Swell.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kStepRate = 100.0;

std::vector<float> run(double lowHertz, double highHertz, std::size_t steps, std::uint64_t seed = 3)
{
    Random random(seed);
    Swell swell(lowHertz, highHertz, kStepRate, random);
    std::vector<float> values(steps);
    for (float &value : values)
        value = swell.next();
    return values;
}

}

class SwellTest : public QObject
{
    Q_OBJECT

private slots:
    void staysInBoundsWithUnitRms_data();
    void staysInBoundsWithUnitRms();
    void eachCycleTakesATimeWithinItsRange_data();
    void eachCycleTakesATimeWithinItsRange();
    void meanPowerIsWhatTheSwellGives_data();
    void meanPowerIsWhatTheSwellGives();
};

void SwellTest::staysInBoundsWithUnitRms_data()
{
    QTest::addColumn<double>("lowHertz");
    QTest::addColumn<double>("highHertz");
    QTest::newRow("singer") << 0.1 << 0.2;
    QTest::newRow("chorus") << 0.04 << 0.07;
}

void SwellTest::staysInBoundsWithUnitRms()
{
    QFETCH(double, lowHertz);
    QFETCH(double, highHertz);
    const std::vector<float> values = run(lowHertz, highHertz, 2'000'000);
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    QVERIFY(*lowest >= -std::sqrt(2.0f) && *highest <= std::sqrt(2.0f));
    double power = 0.0;
    for (const float value : values)
        power += static_cast<double>(value) * value;
    QVERIFY2(std::fabs(std::sqrt(power / static_cast<double>(values.size())) - 1.0) < 0.02, qPrintable(QString::number(power)));
}

void SwellTest::eachCycleTakesATimeWithinItsRange_data()
{
    staysInBoundsWithUnitRms_data();
}

void SwellTest::eachCycleTakesATimeWithinItsRange()
{
    QFETCH(double, lowHertz);
    QFETCH(double, highHertz);
    const std::vector<float> values = run(lowHertz, highHertz, 2'000'000);
    std::vector<double> lengths;
    std::size_t lastRise = 0;
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i - 1] < 0.0f && values[i] >= 0.0f) {
            if (lastRise > 0)
                lengths.push_back(static_cast<double>(i - lastRise) / kStepRate);
            lastRise = i;
        }
    }
    QVERIFY(lengths.size() > 100);
    const auto [shortest, longest] = std::minmax_element(lengths.begin(), lengths.end());
    QVERIFY2(*shortest >= 1.0 / highHertz - 0.02 && *longest <= 1.0 / lowHertz + 0.02,
             qPrintable(QStringLiteral("%1 to %2 s").arg(*shortest).arg(*longest)));
    // Drawn afresh each time, not one length over and over.
    QVERIFY(*longest - *shortest > 0.5 * (1.0 / lowHertz - 1.0 / highHertz));
}

void SwellTest::meanPowerIsWhatTheSwellGives_data()
{
    QTest::addColumn<double>("depth");
    QTest::newRow("chorus") << 0.35;
    QTest::newRow("singer") << 0.9;
}

void SwellTest::meanPowerIsWhatTheSwellGives()
{
    QFETCH(double, depth);
    const std::vector<float> values = run(0.1, 0.2, 4'000'000);
    double power = 0.0;
    for (const float value : values)
        power += std::exp(2.0 * depth * value);
    const double measured = power / static_cast<double>(values.size());
    QVERIFY2(std::fabs(measured / Swell::meanPower(depth) - 1.0) < 0.02,
             qPrintable(QStringLiteral("%1 against %2").arg(measured).arg(Swell::meanPower(depth))));
}

QTEST_GUILESS_MAIN(SwellTest)
#include "SwellTest.moc"
