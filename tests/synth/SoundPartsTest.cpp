// The parts the live sounds are built from: the peak limiter, the wandering curve and the
// field of clicks.

#include "synth/ClickField.h"
#include "synth/FilterShape.h"
#include "synth/LiveSound.h"
#include "synth/PeakLimiter.h"
#include "synth/Random.h"
#include "synth/WanderCurve.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

constexpr double kRate = LiveSound::sampleRate;

std::vector<float> noise(std::size_t frames, float rms, std::uint64_t seed)
{
    Random random(seed);
    std::vector<float> samples(frames);
    for (float &sample : samples)
        sample = static_cast<float>(rms * random.gaussian());
    return samples;
}

// Clicks of one frame of 1 each, as the field plays them in blocks of `block` frames.
std::vector<float> playClicks(ClickField &field, std::size_t frames, std::size_t block)
{
    std::vector<float> out(frames, 0.0f);
    for (std::size_t first = 0; first < frames; first += block)
        field.addTo(out.data() + first, std::min(block, frames - first));
    return out;
}

std::vector<float> impulse(Random &)
{
    return {1.0f};
}

}

class SoundPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void limiterLeavesQuietSoundAsItWas_data();
    void limiterLeavesQuietSoundAsItWas();
    void limiterKeepsPeaksUnderTheCeilingAndTouchesOnlyTheirSurroundings();
    void wanderCurveKeepsItsSizeAndMovesSlowly();
    void clicksSoundAtTheirTimeWhateverTheBlocks();
    void clicksAreFilteredThroughTheResponse();
};

void SoundPartsTest::limiterLeavesQuietSoundAsItWas_data()
{
    QTest::addColumn<float>("rms");
    QTest::newRow("soft") << 0.05f;
    QTest::newRow("just under the ceiling") << 0.2f;
}

void SoundPartsTest::limiterLeavesQuietSoundAsItWas()
{
    QFETCH(float, rms);
    std::vector<float> left = noise(4096, rms, 1);
    std::vector<float> right = noise(4096, rms, 2);
    const std::vector<float> original = left;
    PeakLimiter limiter(0.9f);
    limiter.process(left.data(), right.data(), left.size());
    for (std::size_t i = 0; i < PeakLimiter::delay; ++i)
        QCOMPARE(left[i], 0.0f);
    for (std::size_t i = PeakLimiter::delay; i < left.size(); ++i)
        QCOMPARE(left[i], original[i - PeakLimiter::delay]);
}

void SoundPartsTest::limiterKeepsPeaksUnderTheCeilingAndTouchesOnlyTheirSurroundings()
{
    std::vector<float> left = noise(8192, 0.05f, 3);
    std::vector<float> right = noise(8192, 0.05f, 4);
    const std::vector<float> original = right;
    constexpr std::size_t loud = 4000;
    for (std::size_t i = loud; i < loud + 20; ++i)
        right[i] = (i % 2 == 0 ? 3.0f : -3.0f);
    std::vector<float> leftInBlocks = left;
    std::vector<float> rightInBlocks = right;
    PeakLimiter limiter(0.9f);
    limiter.process(left.data(), right.data(), left.size());
    // Played in blocks, quiet ones pass by a shorter way: the sound must not change.
    PeakLimiter blockwise(0.9f);
    for (std::size_t first = 0; first < left.size(); first += 64)
        blockwise.process(leftInBlocks.data() + first, rightInBlocks.data() + first, 64);
    for (std::size_t i = 0; i < right.size(); ++i)
        QVERIFY(std::fabs(rightInBlocks[i] - right[i]) < 1e-6f);
    for (std::size_t i = 0; i < left.size(); ++i)
        QVERIFY2(std::max(std::fabs(left[i]), std::fabs(right[i])) <= 0.9f + 1e-6f, qPrintable(QString::number(i)));
    // Beyond twice its reach either side the limiter has let the sound be.
    const std::size_t reach = 2 * PeakLimiter::reach + 1;
    for (std::size_t i = PeakLimiter::delay; i < left.size(); ++i) {
        const std::size_t source = i - PeakLimiter::delay;
        if (source + reach < loud || source > loud + 20 + reach)
            QCOMPARE(right[i], original[source]);
    }
}

void SoundPartsTest::wanderCurveKeepsItsSizeAndMovesSlowly()
{
    Random random(5);
    WanderCurve curve(0.021, 0.35, kRate, random);
    const auto frames = static_cast<std::size_t>(20 * 60 * kRate);
    double power = 0.0;
    float previous = curve.next();
    float largestStep = 0.0f;
    for (std::size_t i = 0; i < frames; ++i) {
        const float value = curve.next();
        power += static_cast<double>(value) * value;
        largestStep = std::max(largestStep, std::fabs(value - previous));
        previous = value;
    }
    QVERIFY(std::fabs(std::sqrt(power / static_cast<double>(frames)) - 1.0) < 0.1);
    // Nothing faster than a few tenths of a hertz: no step a listener could hear.
    QVERIFY(largestStep < 1e-3f);
}

void SoundPartsTest::clicksSoundAtTheirTimeWhateverTheBlocks()
{
    Random random(6);
    ClickField whole(1, impulse, [](double) { return 1.0; }, kRate, random);
    Random again(6);
    ClickField inBlocks(1, impulse, [](double) { return 1.0; }, kRate, again);
    for (ClickField *field : {&whole, &inBlocks}) {
        field->schedule(100, 0, 0.5f);
        field->schedule(1000, 0, 0.25f);
    }
    const std::vector<float> one = playClicks(whole, 8192, 8192);
    QCOMPARE(playClicks(inBlocks, 8192, 64), one);
    const auto loudest = std::max_element(one.begin(), one.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    const auto onset = static_cast<std::size_t>(loudest - one.begin());
    // A flat response passes a click whole, but for the share of a frame it loses with its mean.
    QVERIFY(std::fabs(*loudest - 0.5f) < 1e-3f);
    QVERIFY(std::fabs(one[onset + 900] - 0.25f) < 1e-3f);
}

void SoundPartsTest::clicksAreFilteredThroughTheResponse()
{
    Random random(7);
    ClickField field(4, impulse, [](double hertz) { return FilterShape::lowPass(hertz, 1000.0, 4); }, kRate, random);
    for (std::size_t shape = 0; shape < field.shapes(); ++shape)
        field.schedule(2000 * shape, shape, 1.0f);
    const std::vector<float> out = playClicks(field, 16384, 64);
    // A one-frame click through a low pass at 1 kHz spreads over about eleven frames.
    const double energy = std::inner_product(out.begin(), out.end(), out.begin(), 0.0);
    QVERIFY2(energy > 4 * 0.05 && energy < 4 * 0.15, qPrintable(QString::number(energy)));
    QVERIFY(*std::max_element(out.begin(), out.end()) < 0.2f);
}

QTEST_GUILESS_MAIN(SoundPartsTest)
#include "SoundPartsTest.moc"
