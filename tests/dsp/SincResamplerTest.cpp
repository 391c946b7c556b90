// Reading round the loop: a chunk that crosses the loop's end takes its frames from the doubled
// copy's margin and never from past it, at every step the kernels serve.

#include "dsp/DoubledSound.h"
#include "dsp/SincResampler.h"

#include <QTest>

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr std::size_t soundFrames = 2048;
constexpr int outputRate = 48000;

// A doubled copy of a loop of noise, followed by frames that are no part of it, all `beyond`.
std::vector<std::int16_t> copyFollowedBy(std::int16_t beyond)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> sample(-20000, 20000);
    std::vector<std::int16_t> sound(2 * soundFrames);
    for (std::int16_t &value : sound)
        value = static_cast<std::int16_t>(sample(random));
    const DoubledSound doubled(sound.data(), soundFrames);
    const std::size_t withMargins = static_cast<std::size_t>(2 * (doubled.frames() + 2 * DoubledSound::margin));
    std::vector<std::int16_t> samples(withMargins + 2 * 4096, beyond);
    std::copy_n(doubled.frameData() - 2 * DoubledSound::margin, withMargins, samples.begin());
    return samples;
}

std::vector<float> readRound(const std::vector<std::int16_t> &copy, Doubler::Kernel kernel, double step)
{
    SincResampler resampler;
    resampler.setSource(copy.data() + 2 * DoubledSound::margin, 2 * soundFrames, kernel);
    resampler.setRate(step * outputRate / 2.0, outputRate, false);
    // Long enough to cross the end some forty times, at chunk lengths that vary where.
    std::vector<float> out(2 * 200000);
    for (std::size_t done = 0, chunk = 256; done < out.size() / 2; chunk = chunk == 256 ? 97 : 256) {
        chunk = std::min(chunk, out.size() / 2 - done);
        resampler.read(out.data() + 2 * done, chunk);
        done += chunk;
    }
    return out;
}

}

class SincResamplerTest : public QObject
{
    Q_OBJECT

private slots:
    void readsNothingPastTheMargin_data()
    {
        QTest::addColumn<Doubler::Kernel>("kernel");
        QTest::addColumn<double>("step");
        QTest::newRow("reading kernel, fastest step") << Doubler::Kernel::Steep << 1.75;
        QTest::newRow("half-band copy, fastest step") << Doubler::Kernel::HalfBand << 2.2;
        QTest::newRow("stretched, a 48 kHz file at 32000 Hz") << Doubler::Kernel::HalfBand << 2.9;
        QTest::newRow("stretched, reading every other frame") << Doubler::Kernel::Steep << 5.0;
        QTest::newRow("stretched to the widest") << Doubler::Kernel::Steep << 12.0;
    }

    void readsNothingPastTheMargin()
    {
        QFETCH(Doubler::Kernel, kernel);
        QFETCH(double, step);
        const std::vector<float> quiet = readRound(copyFollowedBy(0), kernel, step);
        const std::vector<float> loud = readRound(copyFollowedBy(30000), kernel, step);
        for (std::size_t i = 0; i < quiet.size(); ++i) {
            if (quiet[i] != loud[i])
                QFAIL(qPrintable(QStringLiteral("frame %1 reads past the margin: %2 against %3").arg(i / 2).arg(quiet[i]).arg(loud[i])));
        }
    }
};

QTEST_GUILESS_MAIN(SincResamplerTest)
#include "SincResamplerTest.moc"
