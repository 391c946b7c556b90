// The sounds that ship no file: at the common level, never the same stretch twice, and each
// true to its name.

#include "synth/LiveSound.h"
#include "synth/LiveSounds.h"

#include "LiveRender.h"
#include "SoundAnalysis.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <numeric>
#include <vector>

namespace {

constexpr const char *kNewSounds[] = {"brook", "heartbeat", "train", "fireplace", "purr"};
constexpr int kRate = LiveSound::sampleRate;
constexpr double kCommonLoudness = -21.0;
constexpr double kPeakCeilingDbfs = -1.2;

SoundAnalysis analysed(const char *name, double seconds)
{
    LiveRender::Stereo sound = LiveRender::render(name, seconds);
    return SoundAnalysis(std::move(sound.left), std::move(sound.right), kRate);
}

double mean(const std::vector<double> &values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double spread(const std::vector<double> &values)
{
    const double centre = mean(values);
    double sum = 0.0;
    for (const double value : values)
        sum += (value - centre) * (value - centre);
    return std::sqrt(sum / static_cast<double>(values.size()));
}

std::vector<double> gaps(const std::vector<double> &times)
{
    std::vector<double> result;
    for (std::size_t i = 1; i < times.size(); ++i)
        result.push_back(times[i] - times[i - 1]);
    return result;
}

// The value that the share `rank` of `values` stays below.
double percentile(std::vector<double> values, double rank)
{
    const auto at = static_cast<std::ptrdiff_t>(rank * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + at, values.end());
    return values[static_cast<std::size_t>(at)];
}

// The times, in seconds, where `envelope` (one value per `frameSeconds`) rises through
// `threshold`, at most one per `deadSeconds`.
std::vector<double> onsets(const std::vector<double> &envelope, double frameSeconds, double threshold, double deadSeconds)
{
    std::vector<double> times;
    for (std::size_t i = 1; i < envelope.size(); ++i) {
        const double time = static_cast<double>(i) * frameSeconds;
        if (envelope[i] > threshold && envelope[i - 1] <= threshold && (times.empty() || time - times.back() >= deadSeconds))
            times.push_back(time);
    }
    return times;
}

// The frames whose level leaps above `factor` times the mean of the `reach` frames before
// it, at most one in `reach`: where a short sound sets in over whatever else sounds.
std::size_t leaps(const std::vector<double> &envelope, double factor, std::size_t reach)
{
    std::size_t count = 0;
    std::size_t quietUntil = reach;
    for (std::size_t i = reach; i < envelope.size(); ++i) {
        const double before = std::accumulate(envelope.begin() + static_cast<std::ptrdiff_t>(i - reach),
                                              envelope.begin() + static_cast<std::ptrdiff_t>(i), 0.0)
                              / static_cast<double>(reach);
        if (i >= quietUntil && envelope[i] > factor * before) {
            ++count;
            quietUntil = i + reach;
        }
    }
    return count;
}

// The RMS of the signal's first differences in frames of `frameLength`: the level of what
// is bright in it, where a low rumble counts for little.
std::vector<double> brightEnvelope(const std::vector<float> &signal, std::size_t frameLength)
{
    std::vector<double> result;
    for (std::size_t first = 1; first + frameLength <= signal.size(); first += frameLength) {
        double energy = 0.0;
        for (std::size_t i = first; i < first + frameLength; ++i) {
            const double step = signal[i] - signal[i - 1];
            energy += step * step;
        }
        result.push_back(std::sqrt(energy / static_cast<double>(frameLength)));
    }
    return result;
}

// The frequency between `low` and `high` at which `envelope` (at `rate` values a second)
// swings most, searched in steps of `step`.
double strongestSwingHertz(const std::vector<double> &envelope, double rate, double low, double high, double step)
{
    const double centre = mean(envelope);
    double strongest = low;
    double strongestPower = 0.0;
    for (double hertz = low; hertz <= high; hertz += step) {
        std::complex<double> sum;
        const std::complex<double> turn = std::polar(1.0, -2.0 * std::numbers::pi * hertz / rate);
        std::complex<double> phasor = 1.0;
        for (const double value : envelope) {
            sum += (value - centre) * phasor;
            phasor *= turn;
        }
        if (std::norm(sum) > strongestPower) {
            strongestPower = std::norm(sum);
            strongest = hertz;
        }
    }
    return strongest;
}

}

class NewSoundsTest : public QObject
{
    Q_OBJECT

private slots:
    void areListedApartFromTheShippedSounds();
    void keepTheCommonLevel_data();
    void keepTheCommonLevel();
    void neverRepeatAStretch_data();
    void neverRepeatAStretch();

    void brookBubblesBetween300HertzAnd3Kilohertz();
    void heartbeatIsCalmLowAndUneven();
    void trainClacksInPairsASecondOrTwoApart();
    void fireplaceCracklesAtRandomOverALowRoar();
    void purrPulses25To30TimesASecondAndBreathes();

private:
    static void addRowPerSound();
};

void NewSoundsTest::addRowPerSound()
{
    QTest::addColumn<QString>("name");
    for (const char *name : kNewSounds)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void NewSoundsTest::areListedApartFromTheShippedSounds()
{
    const std::vector<std::string_view> extra = LiveSounds::extraNames();
    QCOMPARE(extra, std::vector<std::string_view>(std::begin(kNewSounds), std::end(kNewSounds)));
    const std::vector<std::string_view> shipped = LiveSounds::names();
    QCOMPARE(shipped.size(), std::size_t{14});
    for (const std::string_view name : extra) {
        QVERIFY(std::find(shipped.begin(), shipped.end(), name) == shipped.end());
        QVERIFY(!LiveSounds::makes(name));
        QVERIFY(LiveSounds::make(name, 1) != nullptr);
    }
    QVERIFY(LiveSounds::make("lake", 1) == nullptr);
}

void NewSoundsTest::keepTheCommonLevel_data()
{
    addRowPerSound();
}

void NewSoundsTest::keepTheCommonLevel()
{
    QFETCH(QString, name);
    const SoundAnalysis sound = analysed(name.toLatin1().constData(), 60.0);
    QVERIFY2(std::fabs(sound.integratedLoudness() - kCommonLoudness) <= 0.5, qPrintable(QString::number(sound.integratedLoudness())));
    QVERIFY2(sound.samplePeakDbfs() < kPeakCeilingDbfs, qPrintable(QString::number(sound.samplePeakDbfs())));
}

void NewSoundsTest::neverRepeatAStretch_data()
{
    addRowPerSound();
}

void NewSoundsTest::neverRepeatAStretch()
{
    QFETCH(QString, name);
    const LiveRender::Stereo sound = LiveRender::render(name.toLatin1().constData(), 90.0);
    const LiveRender::Match match = LiveRender::bestEarlierMatch(sound.left, LiveRender::stretchStarts(90.0), 2 * kRate);
    QVERIFY2(match.correlation < 0.5, qPrintable(QStringLiteral("%1 at %2 s").arg(match.correlation).arg(static_cast<double>(match.first) / kRate)));
}

void NewSoundsTest::brookBubblesBetween300HertzAnd3Kilohertz()
{
    const SoundAnalysis brook = analysed("brook", 30.0);
    QVERIFY2(brook.energyFraction(300.0, 3000.0) > 0.6, qPrintable(QString::number(brook.energyFraction(300.0, 3000.0))));
    // Many short bubbles: the level of 6 ms frames leaps up dozens of times a second, and
    // stands out of the wash in peaks rather than swelling like a steady noise.
    constexpr std::size_t frame = 128;
    const double perSecond = static_cast<double>(leaps(brook.frameRms(frame), 1.2, 2)) / brook.seconds();
    QVERIFY2(perSecond > 10.0, qPrintable(QString::number(perSecond)));
    QVERIFY2(brook.envelopeKurtosis() > 6.0, qPrintable(QString::number(brook.envelopeKurtosis())));
}

void NewSoundsTest::heartbeatIsCalmLowAndUneven()
{
    const SoundAnalysis heart = analysed("heartbeat", 60.0);
    QVERIFY2(heart.energyFraction(0.0, 150.0) > 0.99, qPrintable(QString::number(heart.energyFraction(0.0, 150.0))));
    // Each beat sets in with its "lub"; its "dub" follows within the dead time. Frames of
    // 20 ms hold a whole cycle of the thuds, so their level does not flicker with it.
    constexpr std::size_t frame = 441;
    const std::vector<double> level = heart.frameRms(frame);
    const std::vector<double> beats = onsets(level, double(frame) / kRate, 0.5 * percentile(level, 0.95), 0.6);
    const double perMinute = 60.0 * static_cast<double>(beats.size() - 1) / (beats.back() - beats.front());
    QVERIFY2(perMinute >= 60.0 && perMinute <= 70.0, qPrintable(QString::number(perMinute)));
    const double variation = spread(gaps(beats));
    QVERIFY2(variation > 0.01 && variation < 0.08, qPrintable(QString::number(variation)));
}

void NewSoundsTest::trainClacksInPairsASecondOrTwoApart()
{
    const SoundAnalysis train = analysed("train", 60.0);
    constexpr std::size_t frame = 128;
    const std::vector<double> bright = brightEnvelope(train.mono(), frame);
    const std::vector<double> clacks = onsets(bright, double(frame) / kRate, 3.0 * percentile(bright, 0.5), 0.05);
    // Alternately the gap between a pair's two wheels and the gap to the next pair.
    std::vector<double> pairs;
    for (std::size_t i = 0; i + 1 < clacks.size(); i += 2) {
        QVERIFY2(clacks[i + 1] - clacks[i] < 0.3, qPrintable(QStringLiteral("clack at %1 s unpaired").arg(clacks[i])));
        pairs.push_back(clacks[i]);
    }
    QVERIFY2(pairs.size() >= 25, qPrintable(QString::number(pairs.size())));
    const std::vector<double> between = gaps(pairs);
    QVERIFY(*std::min_element(between.begin(), between.end()) >= 0.95);
    QVERIFY(*std::max_element(between.begin(), between.end()) <= 2.05);
    QVERIFY2(spread(between) > 0.05, qPrintable(QString::number(spread(between))));
}

void NewSoundsTest::fireplaceCracklesAtRandomOverALowRoar()
{
    const SoundAnalysis fire = analysed("fireplace", 60.0);
    QVERIFY2(fire.sampleKurtosis() > 6.0, qPrintable(QString::number(fire.sampleKurtosis())));
    QVERIFY2(fire.energyFraction(0.0, 500.0) > 0.5, qPrintable(QString::number(fire.energyFraction(0.0, 500.0))));
    // The roar never stops: no tenth of a second falls far below the rest.
    std::vector<double> levels = fire.frameRms(2205);
    std::sort(levels.begin(), levels.end());
    QVERIFY(levels.front() > 0.25 * levels[levels.size() / 2]);
    // Crackles at random: their gaps spread as widely as their mean, as for events that
    // each come at any moment.
    constexpr std::size_t frame = 64;
    const std::vector<double> bright = brightEnvelope(fire.mono(), frame);
    const std::vector<double> gapsBetween = gaps(onsets(bright, double(frame) / kRate, 6.0 * percentile(bright, 0.5), 0.005));
    QVERIFY2(gapsBetween.size() > 100, qPrintable(QString::number(gapsBetween.size())));
    QVERIFY2(spread(gapsBetween) > 0.8 * mean(gapsBetween), qPrintable(QString::number(spread(gapsBetween) / mean(gapsBetween))));
}

void NewSoundsTest::purrPulses25To30TimesASecondAndBreathes()
{
    const SoundAnalysis purr = analysed("purr", 60.0);
    constexpr std::size_t frame = 32;
    const double pulses = strongestSwingHertz(purr.frameRms(frame), double(kRate) / frame, 5.0, 100.0, 0.25);
    QVERIFY2(pulses >= 25.0 && pulses <= 30.0, qPrintable(QString::number(pulses)));
    constexpr std::size_t breathFrame = 2048;
    const double breaths = strongestSwingHertz(purr.frameRms(breathFrame), double(kRate) / breathFrame, 0.05, 2.0, 0.01);
    QVERIFY2(breaths >= 0.2 && breaths <= 0.6, qPrintable(QString::number(breaths)));
    QVERIFY2(purr.levelSpreadDecibels() > 2.0, qPrintable(QString::number(purr.levelSpreadDecibels())));
}

QTEST_GUILESS_MAIN(NewSoundsTest)
#include "NewSoundsTest.moc"
