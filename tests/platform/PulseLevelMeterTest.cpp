#include "platform/PulseLevelMeter.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

// What the level meter makes of the fragments the server hands over, with no server: the
// stream's peaks arrive as floats, a hole as a length without data.
class PulseLevelMeterTest : public QObject
{
    Q_OBJECT

private slots:
    void aFragmentStandsForItsLastPeak_data()
    {
        QTest::addColumn<std::vector<float>>("peaks");
        QTest::addColumn<double>("level");
        QTest::newRow("one peak") << std::vector<float>{0.25f} << 0.25;
        QTest::newRow("the newest of several") << std::vector<float>{0.9f, 0.1f, 0.5f} << 0.5;
        QTest::newRow("silence") << std::vector<float>{0.0f} << 0.0;
        QTest::newRow("clipped") << std::vector<float>{0.2f, 1.7f} << 1.0;
    }

    void aFragmentStandsForItsLastPeak()
    {
        QFETCH(std::vector<float>, peaks);
        QFETCH(double, level);
        const std::optional<double> read = PulseLevelMeter::levelOf(peaks.data(), peaks.size() * sizeof(float));
        QVERIFY(read.has_value());
        QCOMPARE(*read, level);
    }

    void whatIsNoPeakGivesNoLevel_data()
    {
        QTest::addColumn<std::vector<float>>("peaks");
        QTest::addColumn<bool>("hole");
        QTest::addColumn<std::size_t>("bytes");
        QTest::newRow("a hole") << std::vector<float>{} << true << sizeof(float) * 4;
        QTest::newRow("shorter than a sample") << std::vector<float>{0.5f} << false << sizeof(float) - 1;
        QTest::newRow("nothing") << std::vector<float>{0.5f} << false << std::size_t{0};
        QTest::newRow("negative") << std::vector<float>{-0.5f} << false << sizeof(float);
        QTest::newRow("not a number") << std::vector<float>{std::numeric_limits<float>::quiet_NaN()} << false
                                      << sizeof(float);
    }

    void whatIsNoPeakGivesNoLevel()
    {
        QFETCH(std::vector<float>, peaks);
        QFETCH(bool, hole);
        QFETCH(std::size_t, bytes);
        QVERIFY(!PulseLevelMeter::levelOf(hole ? nullptr : peaks.data(), bytes).has_value());
    }
};

QTEST_GUILESS_MAIN(PulseLevelMeterTest)
#include "PulseLevelMeterTest.moc"
