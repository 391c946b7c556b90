// The ceiling over chance peaks: nothing below the knee changes, nothing ever reaches the
// ceiling, and the bend is smooth and keeps the order of sizes and their sign.

#include "synth/SoftCeiling.h"

#include <QtTest>

#include <cmath>

namespace {

constexpr float kKnee = 0.6f;
constexpr float kCeiling = 0.87f;

float bent(float sample)
{
    SoftCeiling(kKnee, kCeiling).apply(&sample, 1);
    return sample;
}

}

class SoftCeilingTest : public QObject
{
    Q_OBJECT

private slots:
    void leavesQuietSamplesAlone_data();
    void leavesQuietSamplesAlone();
    void bendsPeaksBelowTheCeiling();
};

void SoftCeilingTest::leavesQuietSamplesAlone_data()
{
    QTest::addColumn<float>("sample");
    QTest::newRow("silence") << 0.0f;
    QTest::newRow("small") << 0.1234f;
    QTest::newRow("negative") << -0.5f;
    QTest::newRow("at the knee") << kKnee;
}

void SoftCeilingTest::leavesQuietSamplesAlone()
{
    QFETCH(float, sample);
    QCOMPARE(bent(sample), sample);
}

void SoftCeilingTest::bendsPeaksBelowTheCeiling()
{
    float previous = bent(kKnee);
    for (float sample = kKnee + 0.001f; sample < 20.0f; sample += 0.001f) {
        const float out = bent(sample);
        QVERIFY(out <= kCeiling);
        QVERIFY(out >= previous);
        // No corner: a step never larger than the input's.
        QVERIFY(out - previous <= 0.001f + 1e-6f);
        QCOMPARE(bent(-sample), -out);
        previous = out;
    }
    QVERIFY(bent(20.0f) > 0.99f * kCeiling);
}

QTEST_GUILESS_MAIN(SoftCeilingTest)
#include "SoftCeilingTest.moc"
