// A noise bed's voices take turns through their windows without the bed's power rising or
// falling with them.

#include "synth/NoiseBed.h"
#include "synth/Random.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

class NoiseBedTest : public QObject
{
    Q_OBJECT

private slots:
    void holdsItsPowerThroughEachGrain_data()
    {
        QTest::addColumn<double>("rate");
        QTest::newRow("made at its own rate") << 22050.0;
        QTest::newRow("made at twice it") << 44100.0;
    }

    // The power at each sixteenth of a grain, over three hundred grains: voices a little out of
    // step make it swell by a few per cent once a grain; chance moves it by well under one.
    void holdsItsPowerThroughEachGrain()
    {
        QFETCH(double, rate);
        Random random(3);
        NoiseBed bed([](double) { return 1.0; }, rate, random);
        const std::size_t grain = NoiseBed::grainFrames(rate);
        constexpr std::size_t parts = 16;
        std::vector<double> power(parts, 0.0);
        std::vector<float> left(grain);
        std::vector<float> right(grain);
        for (int g = 0; g < 300; ++g) {
            std::fill(left.begin(), left.end(), 0.0f);
            std::fill(right.begin(), right.end(), 0.0f);
            bed.addTo(left.data(), right.data(), grain, 1.0f);
            for (std::size_t i = 0; i < grain; ++i)
                power[i * parts / grain] += double(left[i]) * left[i] + double(right[i]) * right[i];
        }
        const double mean = std::accumulate(power.begin(), power.end(), 0.0) / parts;
        for (std::size_t part = 0; part < parts; ++part)
            QVERIFY2(std::fabs(power[part] / mean - 1.0) < 0.015, qPrintable(QString::number(power[part] / mean)));
    }
};

QTEST_GUILESS_MAIN(NoiseBedTest)
#include "NoiseBedTest.moc"
