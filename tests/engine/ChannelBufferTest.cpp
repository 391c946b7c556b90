#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/Mixer.h"

#include <QTest>

#include <cmath>
#include <memory>

namespace {

constexpr int outputRate = 48000;

std::vector<float> render(ChannelBuffer &buffer, std::size_t frames)
{
    std::vector<float> out(frames * 2, 0.0f);
    buffer.mixInto(out.data(), frames, outputRate);
    return out;
}

// Zero crossings per second of the left channel, upward only.
double frequencyOf(const std::vector<float> &stereo)
{
    int crossings = 0;
    for (std::size_t i = 1; i < stereo.size() / 2; ++i) {
        if (stereo[2 * (i - 1)] < 0.0f && stereo[2 * i] >= 0.0f)
            ++crossings;
    }
    return crossings * static_cast<double>(outputRate) / static_cast<double>(stereo.size() / 2);
}

double largestStep(const std::vector<float> &stereo, int channel)
{
    double largest = 0.0;
    for (std::size_t i = 1; i < stereo.size() / 2; ++i)
        largest = std::max(largest, std::fabs(double(stereo[2 * i + channel]) - stereo[2 * (i - 1) + channel]));
    return largest;
}

}

class ChannelBufferTest : public QObject
{
    Q_OBJECT

private slots:
    void newBufferPlaysAtItsOwnRateFullLevelCentre()
    {
        ChannelBuffer buffer(TestSounds::sineSound(22050, 441.0, 0.5, 22050));
        QCOMPARE(buffer.frequency(), 22050);
        QVERIFY(!buffer.isPlaying());
        QCOMPARE(render(buffer, 4800), std::vector<float>(4800 * 2, 0.0f));

        buffer.play();
        render(buffer, 4800);
        const std::vector<float> out = render(buffer, 48000);
        QVERIFY(std::fabs(TestSounds::toDecibels(TestSounds::rms(out, 0, 0, 48000) / (0.5 / std::sqrt(2.0)))) < 0.1);
        QVERIFY(std::fabs(frequencyOf(out) - 441.0) < 2.0);
    }

    void volumeAttenuatesInHundredthsOfADecibel()
    {
        for (int volume : {0, -600, -2000, -3000}) {
            ChannelBuffer buffer(TestSounds::sineSound(22050, 441.0, 0.5, 22050));
            buffer.setVolume(volume);
            buffer.play();
            render(buffer, 4800);
            const std::vector<float> out = render(buffer, 24000);
            const double level = TestSounds::toDecibels(TestSounds::rms(out, 0, 0, 24000) / (0.5 / std::sqrt(2.0)));
            QVERIFY2(std::fabs(level - volume / 100.0) < 0.1, qPrintable(QString::number(level)));
        }
    }

    void panAttenuatesTheOppositeSide()
    {
        const struct { int pan; double left; double right; } cases[] = {{-3000, 0.0, -30.0}, {1000, -10.0, 0.0}, {0, 0.0, 0.0}};
        for (const auto &c : cases) {
            ChannelBuffer buffer(TestSounds::sineSound(22050, 441.0, 0.5, 22050));
            buffer.setPan(c.pan);
            buffer.play();
            render(buffer, 4800);
            const std::vector<float> out = render(buffer, 24000);
            const double reference = 0.5 / std::sqrt(2.0);
            QVERIFY(std::fabs(TestSounds::toDecibels(TestSounds::rms(out, 0, 0, 24000) / reference) - c.left) < 0.1);
            QVERIFY(std::fabs(TestSounds::toDecibels(TestSounds::rms(out, 1, 0, 24000) / reference) - c.right) < 0.1);
        }
    }

    void frequencyChangesPitchAndIsReadBack()
    {
        ChannelBuffer buffer(TestSounds::sineSound(22050, 441.0, 0.5, 22050));
        QVERIFY(buffer.setFrequency(44100));
        QCOMPARE(buffer.frequency(), 44100);
        QVERIFY(!buffer.setFrequency(99));
        QVERIFY(!buffer.setFrequency(100001));
        QCOMPARE(buffer.frequency(), 44100);
        buffer.play();
        render(buffer, 4800);
        QVERIFY(std::fabs(frequencyOf(render(buffer, 48000)) - 882.0) < 3.0);
        QVERIFY(buffer.setFrequency(100));
        QVERIFY(buffer.setFrequency(32767));
    }

    void stopKeepsThePlayPositionAndPlayResumesIt()
    {
        // The left channel counts frames, so the output tells where in the loop we are.
        const int frames = 48000;
        std::vector<std::int16_t> ramp(frames * 2);
        for (int i = 0; i < frames; ++i)
            ramp[2 * static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i * 32000 / frames);
        ChannelBuffer buffer(SoundData::fromFrames(ramp, outputRate));
        buffer.play();
        render(buffer, 12000);
        buffer.stop();
        const std::vector<float> fadeOut = render(buffer, 2000);
        QCOMPARE(fadeOut[2 * 1999], 0.0f);
        QCOMPARE(render(buffer, 10000), std::vector<float>(20000, 0.0f));

        buffer.play();
        const std::vector<float> resumed = render(buffer, 2000);
        const double position = resumed[2 * 1999] * 32768.0 / 32000.0 * frames;
        // 12000 frames played, then about 5 ms of fade-out, then 2000 more.
        QVERIFY2(position > 14000 && position < 14400, qPrintable(QString::number(position)));
    }

    void playAndStopFadeWithoutAClick()
    {
        ChannelBuffer buffer(TestSounds::sineSound(22050, 441.0, 0.9, 22050));
        buffer.play();
        const std::vector<float> start = render(buffer, 4800);
        const double steadyStep = 2.0 * M_PI * 441.0 / outputRate * 0.9;
        QVERIFY(largestStep(start, 0) <= steadyStep * 1.05);
        buffer.stop();
        QVERIFY(largestStep(render(buffer, 4800), 0) <= steadyStep * 1.05);
    }

    void volumeChangesGlide()
    {
        // A constant signal shows the gain curve directly.
        std::vector<std::int16_t> dc(22050 * 2, 16384);
        ChannelBuffer buffer(SoundData::fromFrames(dc, 22050));
        buffer.play();
        render(buffer, 4800);
        buffer.setVolume(-3000);
        const std::vector<float> out = render(buffer, 4800);
        QVERIFY(largestStep(out, 0) < 0.5 * 0.05);
        QVERIFY(std::fabs(out[2 * 4799] - 0.5 * std::pow(10.0, -1.5)) < 1e-3);
    }

    void theLoopSeamIsSmoothAtOddRates()
    {
        // 100 whole cycles in the loop: a correct wrap has no step at the seam.
        ChannelBuffer buffer(TestSounds::sineSound(22050, 441.0, 0.9, 5000));
        buffer.setFrequency(31111);
        buffer.play();
        render(buffer, 4800);
        const std::vector<float> out = render(buffer, 48000);
        const double steadyStep = 2.0 * M_PI * 441.0 * 31111.0 / 22050.0 / outputRate * 0.9;
        QVERIFY(largestStep(out, 0) <= steadyStep * 1.05);
    }

    void monoPlaysOnBothSides()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mono.wav"));
        QVERIFY(TestSounds::writeWav(path, 16000, 1600, 1, [](int f, int) { return 0.5 * std::sin(2 * M_PI * f / 16.0); }));
        QString error;
        std::unique_ptr<SoundData> data = SoundData::load(path, &error);
        QVERIFY(data);
        QCOMPARE(data->sampleRate(), 16000);
        ChannelBuffer buffer(std::move(data));
        buffer.play();
        render(buffer, 4800);
        const std::vector<float> out = render(buffer, 4800);
        QVERIFY(TestSounds::rms(out, 1, 0, 4800) > 0.3);
        QVERIFY(std::fabs(TestSounds::rms(out, 0, 0, 4800) - TestSounds::rms(out, 1, 0, 4800)) < 1e-4);
    }

    void unreadableFilesAreRefused()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!SoundData::load(dir.filePath(QStringLiteral("missing.wav")), &error));
        QFile junk(dir.filePath(QStringLiteral("junk.wav")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("RIFF not really");
        junk.close();
        QVERIFY(!SoundData::load(junk.fileName(), &error));
        QVERIFY(!error.isEmpty());
    }

    void fourteenFullLevelChannelsDoNotClipHard()
    {
        Mixer mixer(outputRate);
        std::vector<std::unique_ptr<ChannelBuffer>> buffers;
        for (int channel = 1; channel <= 14; ++channel) {
            buffers.push_back(std::make_unique<ChannelBuffer>(TestSounds::sineSound(22050, 441.0, 0.9, 22050)));
            buffers.back()->play();
            std::uint64_t ticket = 0;
            mixer.exchange(channel, buffers.back().get(), &ticket);
        }
        std::vector<float> out(48000 * 2);
        mixer.render(out.data(), 48000);
        float peak = 0.0f;
        for (float v : out)
            peak = std::max(peak, std::fabs(v));
        QVERIFY(peak <= 1.0f);
        QVERIFY(peak < 0.95f);
        for (int channel = 1; channel <= 14; ++channel) {
            std::uint64_t ticket = 0;
            mixer.exchange(channel, nullptr, &ticket);
            QVERIFY(mixer.isReleased(ticket));
        }
    }
};

QTEST_GUILESS_MAIN(ChannelBufferTest)
#include "ChannelBufferTest.moc"
