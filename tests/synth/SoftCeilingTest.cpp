// The ceiling over chance peaks: nothing below the knee changes, nothing ever reaches the
// ceiling, and the bend is smooth and keeps the order of sizes and their sign.

#include "synth/SoftCeiling.h"

#include <QtTest>

#include <cmath>

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
    QTest::newRow("at the knee") << SoftCeiling::knee;
}

void SoftCeilingTest::leavesQuietSamplesAlone()
{
    QFETCH(float, sample);
    QCOMPARE(SoftCeiling::apply(sample), sample);
}

void SoftCeilingTest::bendsPeaksBelowTheCeiling()
{
    float previous = SoftCeiling::apply(SoftCeiling::knee);
    for (float sample = SoftCeiling::knee + 0.001f; sample < 20.0f; sample += 0.001f) {
        const float bent = SoftCeiling::apply(sample);
        QVERIFY(bent < SoftCeiling::ceiling);
        QVERIFY(bent >= previous);
        // No corner: a step never larger than the input's.
        QVERIFY(bent - previous <= 0.001f + 1e-6f);
        QCOMPARE(SoftCeiling::apply(-sample), -bent);
        previous = bent;
    }
    QVERIFY(SoftCeiling::apply(20.0f) > 0.99f * SoftCeiling::ceiling);
}

QTEST_GUILESS_MAIN(SoftCeilingTest)
#include "SoftCeilingTest.moc"
