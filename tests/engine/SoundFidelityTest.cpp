// What the engine does to a sound on its way out, measured on rendered audio: the
// resampler's band and images at the rates a channel can play at, the limiter at mix
// levels that overload it and at levels that must leave it idle, and the seams where a
// rate glides or the sounds are reloaded. The bounds are the measured figures with a
// little margin.

#include "Spectrum.h"
#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelTable.h"
#include "engine/Mixer.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <random>

namespace {

constexpr int outputRate = 48000;
constexpr std::size_t analysisFrames = 65536;
const double threshold = std::pow(10.0, -1.0 / 20.0);

std::unique_ptr<SoundData> whiteNoiseSound(int rate, int frames)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> sample(-16000, 16000);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * 2);
    for (auto &v : samples)
        v = static_cast<std::int16_t>(sample(random));
    return SoundData::fromFrames(samples, rate);
}

// A mixer rendered through the offline output, with buffers that it owns.
class Rig
{
public:
    Rig()
        : m_mixer(outputRate)
    {
        m_output.start(&m_mixer);
    }
    ~Rig()
    {
        m_output.stop();
        for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
            std::uint64_t ticket = 0;
            m_mixer.exchange(channel, nullptr, &ticket);
        }
    }

    ChannelBuffer &add(std::unique_ptr<SoundData> sound, int volume, int frequency)
    {
        m_buffers.push_back(std::make_unique<ChannelBuffer>(std::move(sound)));
        ChannelBuffer &buffer = *m_buffers.back();
        buffer.setVolume(volume);
        if (frequency > 0)
            buffer.setFrequency(frequency);
        buffer.play();
        std::uint64_t ticket = 0;
        m_mixer.exchange(static_cast<int>(m_buffers.size()), &buffer, &ticket);
        return buffer;
    }

    std::vector<float> render(std::size_t frames) { return m_output.renderFrames(frames); }
    int latency() const { return m_mixer.latency(); }

private:
    OfflineAudioOutput m_output{outputRate};
    Mixer m_mixer;
    std::vector<std::unique_ptr<ChannelBuffer>> m_buffers;
};

double largestStep(const std::vector<float> &stereo, std::size_t first)
{
    double largest = 0.0;
    for (std::size_t i = std::max<std::size_t>(first, 1); i < stereo.size() / 2; ++i)
        largest = std::max(largest, std::fabs(double(stereo[2 * i]) - stereo[2 * (i - 1)]));
    return largest;
}

float peakOf(const std::vector<float> &stereo)
{
    float peak = 0.0f;
    for (float v : stereo)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

QString programFolder()
{
    return qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS");
}

std::unique_ptr<SoundData> programSound(int channel)
{
    QString error;
    return SoundData::load(ChannelTable::soundFilePath(programFolder(), ChannelTable::channel(channel).soundFile), &error);
}

// The fourteen program sounds at `volume`, through the mixer, and the same sum without
// the limiter, aligned with the mixer's output.
struct MixAndRaw
{
    std::vector<float> mixed;
    std::vector<float> raw;
};

MixAndRaw renderProgramMix(int volume, std::size_t frames)
{
    Rig rig;
    std::vector<std::unique_ptr<ChannelBuffer>> twins;
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        rig.add(programSound(channel), volume, 0);
        twins.push_back(std::make_unique<ChannelBuffer>(programSound(channel)));
        twins.back()->setVolume(volume);
        twins.back()->play();
    }
    constexpr std::size_t block = 480;
    MixAndRaw result{std::vector<float>(frames * 2), std::vector<float>(frames * 2, 0.0f)};
    const auto latency = static_cast<std::size_t>(rig.latency());
    std::vector<float> raw((frames + latency) * 2, 0.0f);
    for (std::size_t done = 0; done < frames; done += block) {
        const std::vector<float> out = rig.render(block);
        std::copy(out.begin(), out.end(), result.mixed.begin() + static_cast<std::ptrdiff_t>(2 * done));
        for (auto &twin : twins)
            twin->mixInto(raw.data() + 2 * (done + latency), block, outputRate);
    }
    std::copy_n(raw.begin(), frames * 2, result.raw.begin());
    return result;
}

}

class SoundFidelityTest : public QObject
{
    Q_OBJECT

private slots:
    void tonesKeepTheirBandAndGainNoImages_data()
    {
        QTest::addColumn<double>("tone");
        QTest::addColumn<int>("rate");
        // Level of the tone against the source, in dB; then everything else between 20 Hz
        // and 20 kHz (THD+N) and the largest single component up to 24 kHz, both against
        // the tone. Where the tone lands above the output's band, `spur` bounds everything
        // that is left, against the tone as it was.
        QTest::addColumn<double>("levelLow");
        QTest::addColumn<double>("thdn");
        QTest::addColumn<double>("spur");
        QTest::newRow("1 kHz, nominal rate") << 1000.0 << 22050 << -0.1 << -88.5 << -93.0;
        QTest::newRow("1 kHz, half rate") << 1000.0 << 11025 << -0.1 << -88.5 << -93.0;
        QTest::newRow("1 kHz, slider top") << 1000.0 << 32767 << -0.1 << -88.5 << -93.0;
        // Just past the reading kernel, where the stretched kernel reads every frame.
        QTest::newRow("1 kHz, 45000 Hz") << 1000.0 << 45000 << -0.1 << -88.5 << -93.0;
        QTest::newRow("1 kHz, 100000 Hz") << 1000.0 << 100000 << -0.1 << -88.5 << -93.0;
        QTest::newRow("1 kHz, slider bottom") << 1000.0 << 100 << -0.1 << -88.5 << -93.0;
        QTest::newRow("5 kHz, nominal rate") << 5000.0 << 22050 << -0.1 << -89.0 << -102.0;
        QTest::newRow("9 kHz, nominal rate") << 9000.0 << 22050 << -0.1 << -90.0 << -98.0;
        QTest::newRow("10 kHz, nominal rate") << 10000.0 << 22050 << -1.6 << -86.0 << -98.0;
        QTest::newRow("10 kHz, half rate") << 10000.0 << 11025 << -1.6 << -86.0 << -98.0;
        QTest::newRow("10 kHz, slider top") << 10000.0 << 32767 << -1.6 << -86.0 << -98.0;
        QTest::newRow("10 kHz, 100000 Hz") << 10000.0 << 100000 << 0.0 << 0.0 << -91.5;
    }

    void tonesKeepTheirBandAndGainNoImages()
    {
        QFETCH(double, tone);
        QFETCH(int, rate);
        QFETCH(double, levelLow);
        QFETCH(double, thdn);
        QFETCH(double, spur);
        constexpr double amplitude = 0.5; // -6 dBFS
        Rig rig;
        rig.add(TestSounds::sineSound(22050, tone, amplitude, 22050), 0, rate);
        rig.render(9600);
        const std::vector<float> out = rig.render(analysisFrames);
        const std::vector<double> power = Spectrum::power(out, 0, 0, analysisFrames);
        const double reference = amplitude * amplitude / 2.0;
        const double played = tone * rate / 22050.0;
        if (played > 20000.0) {
            const double left = Spectrum::decibels(Spectrum::bandPower(power, outputRate, 20.0, 23900.0) / reference);
            qInfo("%s: everything left %.1f dB", QTest::currentDataTag(), left);
            QVERIFY(left <= spur);
            return;
        }
        const double tonePower = Spectrum::tonePower(power, outputRate, played);
        const double level = Spectrum::decibels(tonePower / reference);
        const double noise = Spectrum::decibels(Spectrum::bandPower(power, outputRate, 20.0, 20000.0, played) / tonePower);
        const double largest = Spectrum::decibels(Spectrum::largestComponent(power, outputRate, 20.0, 23900.0, played) / tonePower);
        qInfo("%s: level %.2f dB, THD+N %.1f dB, largest other component %.1f dBc", QTest::currentDataTag(), level, noise,
              largest);
        QVERIFY2(level >= levelLow && level <= 0.1, qPrintable(QString::number(level)));
        QVERIFY2(noise <= thdn, qPrintable(QString::number(noise)));
        QVERIFY2(largest <= spur, qPrintable(QString::number(largest)));
    }

    void whiteNoiseGainsNoImagesAboveItsBand()
    {
        Rig rig;
        rig.add(whiteNoiseSound(22050, 4 * 22050), 0, 22050);
        rig.render(9600);
        const std::vector<float> out = rig.render(analysisFrames);
        const std::vector<double> power = Spectrum::power(out, 0, 0, analysisFrames);
        const double images = Spectrum::decibels(Spectrum::bandPower(power, outputRate, 11600.0, 23900.0)
                                                 / Spectrum::bandPower(power, outputRate, 20.0, 11025.0));
        qInfo("white noise: energy above 11.6 kHz %.1f dB against the band", images);
        QVERIFY2(images <= -91.0, qPrintable(QString::number(images)));
    }

    void aGlideOfTheRateIsSmooth()
    {
        Rig rig;
        ChannelBuffer &buffer = rig.add(TestSounds::sineSound(22050, 1000.0, 0.5, 22050), 0, 22050);
        rig.render(4800);
        std::vector<float> glide;
        // A drag of the frequency slider: a new value every 10 ms.
        for (int step = 1; step <= 50; ++step) {
            buffer.setFrequency(22050 + (32767 - 22050) * step / 50);
            const std::vector<float> out = rig.render(480);
            glide.insert(glide.end(), out.begin(), out.end());
        }
        rig.render(4800);
        const std::vector<float> steady = rig.render(48000);
        QVERIFY(largestStep(glide, 0) <= largestStep(steady, 0));
    }

    void theLimiterHoldsFourteenFullChannelsUnderOneDecibelSmoothly()
    {
        if (programFolder().isEmpty())
            QSKIP("needs the program's sounds");
        const MixAndRaw mix = renderProgramMix(0, 10 * outputRate);
        const float peak = peakOf(mix.mixed);
        double largestStepDb = 0.0;
        std::size_t limited = 0;
        std::size_t measured = 0;
        double previous = 0.0;
        for (std::size_t i = 0; i < mix.mixed.size(); i += 2) {
            if (std::fabs(mix.raw[i]) < 0.05f) {
                previous = 0.0;
                continue;
            }
            const double gain = mix.mixed[i] / mix.raw[i];
            ++measured;
            limited += gain < 0.999 ? 1 : 0;
            if (previous > 0.0)
                largestStepDb = std::max(largestStepDb, std::fabs(20.0 * std::log10(gain / previous)));
            previous = gain;
        }
        qInfo("14 channels at 0 dB: peak %.2f dBFS, limiting %.0f %% of the time, largest gain step %.3f dB",
              20.0 * std::log10(peak), 100.0 * static_cast<double>(limited) / static_cast<double>(measured), largestStepDb);
        QVERIFY(peak <= threshold);
        QVERIFY2(largestStepDb <= 0.03, qPrintable(QString::number(largestStepDb)));
    }

    void theLimiterKeepsAnOverloadedSineClean()
    {
        // Two channels of the same sine sum to 3 dB over the limiter's threshold.
        Rig rig;
        const double amplitude = threshold * std::pow(10.0, 3.0 / 20.0) / 2.0;
        rig.add(TestSounds::sineSound(outputRate, 1000.0, amplitude, outputRate), 0, 0);
        rig.add(TestSounds::sineSound(outputRate, 1000.0, amplitude, outputRate), 0, 0);
        rig.render(outputRate);
        const std::vector<float> out = rig.render(analysisFrames);
        const std::vector<double> power = Spectrum::power(out, 0, 0, analysisFrames);
        const double noise = Spectrum::decibels(Spectrum::bandPower(power, outputRate, 20.0, 20000.0, 1000.0)
                                                / Spectrum::tonePower(power, outputRate, 1000.0));
        qInfo("sine 3 dB over the threshold: peak %.2f dBFS, THD+N %.1f dB", 20.0 * std::log10(peakOf(out)), noise);
        QVERIFY(peakOf(out) <= threshold);
        QVERIFY2(noise <= -90.0, qPrintable(QString::number(noise)));
    }

    void theLimiterLeavesAMixAtStartVolumeUntouched()
    {
        if (programFolder().isEmpty())
            QSKIP("needs the program's sounds");
        const MixAndRaw mix = renderProgramMix(-2000, 10 * outputRate);
        float largestDifference = 0.0f;
        for (std::size_t i = 0; i < mix.mixed.size(); ++i)
            largestDifference = std::max(largestDifference, std::fabs(mix.mixed[i] - mix.raw[i]));
        qInfo("14 channels at start volume: peak %.2f dBFS, largest change by the limiter %.2g",
              20.0 * std::log10(peakOf(mix.raw)), largestDifference);
        QCOMPARE(largestDifference, 0.0f);
    }

    void reloadingTheSoundsWhilePlayingFadesThemOut()
    {
        QTemporaryDir dir;
        QVERIFY(TestSounds::writeChannelSounds(dir.path(), [](int) { return 22050; }));
        OfflineAudioOutput output(outputRate);
        SoundEngine engine(output);
        QVERIFY(engine.initialise());
        QVERIFY(engine.loadChannelSounds(dir.path()).isEmpty());
        engine.buffer(1)->setVolume(0);
        engine.buffer(1)->play();
        output.renderFrames(4800);
        const std::vector<float> steady = output.renderFrames(24000);
        const double steadyStep = largestStep(steady, 0);

        QVERIFY(engine.loadChannelSounds(dir.path()).isEmpty());
        // From the last frame before the reload, so a cut between two renders counts too.
        std::vector<float> reload(steady.end() - 2, steady.end());
        const std::vector<float> after = output.renderFrames(4800);
        reload.insert(reload.end(), after.begin(), after.end());
        qInfo("reload: largest step %.4f against %.4f while steady", largestStep(reload, 0), steadyStep);
        QVERIFY(largestStep(reload, 0) <= steadyStep);
        // The new buffers are stopped, so the old sound has gone once its fade is over.
        QCOMPARE(peakOf(std::vector<float>(reload.end() - 2000, reload.end())), 0.0f);
    }
};

QTEST_GUILESS_MAIN(SoundFidelityTest)
#include "SoundFidelityTest.moc"
