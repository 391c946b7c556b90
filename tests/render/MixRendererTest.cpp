#include "RenderTestTools.h"

#include "engine/ChannelControls.h"
#include "engine/Mixer.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "render/MixRenderer.h"
#include "render/MixSnapshot.h"
#include "render/SndFileWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace RenderTestTools;
using Slider = ChannelControls::Slider;
using Status = MixRenderer::Result::Status;

namespace {

// A console that plays three channels at their own volume, pan and rate, through an output
// that renders on demand.
struct Console
{
    explicit Console(const QString &folder, int rate)
        : output(rate)
        , engine(output)
        , controls(engine)
    {
        engine.loadChannelSounds(folder);
        engine.initialise();
        controls.setSlider(1, Slider::Frequency, 30000);
        controls.setSlider(1, Slider::Pan, -500);
        controls.setSlider(1, Slider::Volume, -1000);
        controls.setSlider(6, Slider::Frequency, 16000);
        controls.setSlider(6, Slider::Pan, 1200);
        controls.setSlider(14, Slider::Volume, -600);
        for (int channel : {1, 6, 14})
            controls.setSwitch(channel, 1);
    }

    // What the speakers get from now on, without the limiter's delay.
    std::vector<float> liveFrames(qint64 frames)
    {
        std::vector<float> all = output.renderFrames(static_cast<std::size_t>(frames + engine.mixer().latency()));
        return {all.begin() + 2 * engine.mixer().latency(), all.end()};
    }

    OfflineAudioOutput output;
    SoundEngine engine;
    ChannelControls controls;
};

RenderOptions optionsFor(const QString &path, double seconds, int rate = 48000)
{
    RenderOptions options;
    options.outputPath = path;
    options.lengthSeconds = seconds;
    options.sampleRate = rate;
    options.format = RenderFormat::Kind::Wav;
    return options;
}

MixRenderer::Result renderToMemory(const MixSnapshot &snapshot, const RenderOptions &options, MemoryWriter &writer)
{
    std::atomic<bool> cancel{false};
    return MixRenderer::render(snapshot, options, writer, cancel);
}

}

class MixRendererTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_sounds;
    QTemporaryDir m_out;

private slots:
    void initTestCase() { QVERIFY(TestSounds::writeChannelNoises(m_sounds.path(), 22050)); }

    void everyFormatHasItsLengthRateAndTheLiveLevel_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("majorFormat");
        QTest::addColumn<double>("levelTolerance");
        QTest::newRow("WAV 44100") << int(RenderFormat::Kind::Wav) << 44100 << int(SF_FORMAT_WAV) << 0.05;
        QTest::newRow("FLAC 48000") << int(RenderFormat::Kind::Flac) << 48000 << int(SF_FORMAT_FLAC) << 0.05;
        QTest::newRow("Ogg Vorbis 44100") << int(RenderFormat::Kind::OggVorbis) << 44100 << int(SF_FORMAT_OGG) << 0.5;
        QTest::newRow("Opus 48000") << int(RenderFormat::Kind::Opus) << 48000 << int(SF_FORMAT_OGG) << 0.5;
        QTest::newRow("MP3 48000") << int(RenderFormat::Kind::Mp3) << 48000 << int(SF_FORMAT_MPEG) << 0.5;
    }

    void everyFormatHasItsLengthRateAndTheLiveLevel()
    {
        QFETCH(int, kind);
        QFETCH(int, rate);
        QFETCH(int, majorFormat);
        QFETCH(double, levelTolerance);
        const RenderFormat &format = RenderFormat::of(RenderFormat::Kind(kind));
        Console console(m_sounds.path(), rate);
        RenderOptions options = optionsFor(m_out.filePath(QStringLiteral("mix.") + QLatin1String(format.extension)), 3.0, rate);
        options.format = format.kind;

        SndFileWriter writer;
        std::atomic<bool> cancel{false};
        const MixRenderer::Result result = MixRenderer::render(MixSnapshot::capture(console.engine), options, writer, cancel);
        QVERIFY2(result.status == Status::Done, qPrintable(result.message));

        const std::optional<SoundFile> file = readSound(options.outputPath);
        QVERIFY(file);
        QCOMPARE(file->format & SF_FORMAT_TYPEMASK, majorFormat);
        if (format.kind == RenderFormat::Kind::Wav)
            QCOMPARE(file->format & SF_FORMAT_SUBMASK, int(SF_FORMAT_PCM_16));
        QCOMPARE(file->rate, rate);
        QCOMPARE(file->channels, 2);
        QCOMPARE(file->frames(), qint64(3 * rate));

        // The console heard the same mix: same level, and for lossless files the same
        // frames, to within the dither.
        const std::vector<float> live = console.liveFrames(3 * rate);
        const std::size_t settled = static_cast<std::size_t>(rate / 10);
        const std::size_t span = static_cast<std::size_t>(2 * rate);
        QVERIFY(levelOf(live, settled, span) > -40.0);
        QVERIFY2(std::abs(levelOf(file->samples, settled, span) - levelOf(live, settled, span)) < levelTolerance,
                 qPrintable(QStringLiteral("%1 dB against %2 dB").arg(levelOf(file->samples, settled, span)).arg(levelOf(live, settled, span))));
        if (format.kind == RenderFormat::Kind::Wav) {
            float largest = 0.0f;
            for (std::size_t i = 0; i < live.size(); ++i)
                largest = std::max(largest, std::abs(live[i] - file->samples[i]));
            QVERIFY2(largest <= 2.5f / 32768.0f, qPrintable(QString::number(largest * 32768.0f)));
        }
        QCOMPARE(entriesOf(m_out.path()), QStringList{QFileInfo(options.outputPath).fileName()});
        QVERIFY(QFile::remove(options.outputPath));
    }

    // The drift's paths run from the start of a render as they ran from the start of the
    // console: asked for the same blocks, the console plays the file's frames exactly.
    void theDriftIsRenderedAsItIsHeard()
    {
        Console console(m_sounds.path(), 48000);
        console.engine.mixer().drift().setSeed(9);
        console.engine.mixer().drift().setDepth(MixDrift::maximumDepth);
        MemoryWriter writer;
        QVERIFY(renderToMemory(MixSnapshot::capture(console.engine), optionsFor(m_out.filePath(QStringLiteral("drift.wav")), 8.0),
                               writer).status == Status::Done);

        console.output.renderFrames(static_cast<std::size_t>(console.engine.mixer().latency()));
        std::vector<float> live;
        while (live.size() < writer.frames.size()) {
            const std::vector<float> block = console.output.renderFrames(MixRenderer::blockFrames);
            live.insert(live.end(), block.begin(), block.end());
        }
        QVERIFY(std::abs(levelOf(live, 24000, 24000) - levelOf(live, 336000, 24000)) > 1.0);
        QVERIFY(std::equal(writer.frames.begin(), writer.frames.end(), live.begin()));
    }

    void fadesRiseFromAndFallToSilence()
    {
        Console console(m_sounds.path(), 48000);
        RenderOptions options = optionsFor(m_out.filePath(QStringLiteral("faded.wav")), 4.0);
        options.fadeInSeconds = 1.0;
        options.fadeOutSeconds = 1.5;
        MemoryWriter writer;
        QVERIFY(renderToMemory(MixSnapshot::capture(console.engine), options, writer).status == Status::Done);
        const std::vector<float> &f = writer.frames;
        QCOMPARE(f.size(), std::size_t(2 * 4 * 48000));

        const double steady = levelOf(f, 96000, 24000);
        const auto at = [&](double second) { return levelOf(f, static_cast<std::size_t>(second * 48000) - 960, 1920) - steady; };
        QVERIFY(at(0.03) < -30.0);
        QVERIFY(std::abs(at(0.5) + 6.0) < 1.5);
        QVERIFY(std::abs(at(3.25) + 6.0) < 1.5);
        QVERIFY(at(3.98) < -30.0);
        QVERIFY(std::abs(f[0]) < 1e-4f && std::abs(f[f.size() - 1]) < 1e-4f);
    }

    void aSeamlessLoopEndsInWhatComesBeforeItsBeginning()
    {
        Console console(m_sounds.path(), 48000);
        const MixSnapshot snapshot = MixSnapshot::capture(console.engine);
        RenderOptions looped = optionsFor(m_out.filePath(QStringLiteral("loop.wav")), 8.0);
        looped.seamlessLoop = true;
        const auto total = static_cast<std::size_t>(looped.totalFrames());
        const auto crossfade = static_cast<std::size_t>(looped.loopCrossfadeFrames());
        QCOMPARE(crossfade, total / 4);
        MemoryWriter loop;
        QVERIFY(renderToMemory(snapshot, looped, loop).status == Status::Done);
        // The same mix, straight through from the loop's lead-in on.
        MemoryWriter straight;
        QVERIFY(renderToMemory(snapshot, optionsFor(looped.outputPath, (total + crossfade) / 48000.0), straight).status == Status::Done);

        const std::vector<float> &y = loop.frames;
        const std::vector<float> &x = straight.frames;
        QCOMPARE(y.size(), 2 * total);
        // The file starts where the lead-in ends, and its last frame is the lead-in's last.
        float apart = 0.0f;
        for (std::size_t i = 0; i < 2 * (total - crossfade); ++i)
            apart = std::max(apart, std::abs(y[i] - x[2 * crossfade + i]));
        QVERIFY2(apart < 1e-6f, qPrintable(QString::number(apart)));
        float largestStep = 0.0f;
        for (std::size_t i = 2; i < y.size(); ++i)
            largestStep = std::max(largestStep, std::abs(y[i] - y[i - 2]));
        for (std::size_t side = 0; side < 2; ++side) {
            QVERIFY(std::abs(y[2 * total - 2 + side] - x[2 * crossfade - 2 + side]) < 0.05f * largestStep);
            QVERIFY(std::abs(y[side] - y[2 * total - 2 + side]) <= largestStep);
        }
        // No swell or dip anywhere, the blend included: every 100 ms holds the level.
        const double steady = levelOf(y, 0, total);
        for (std::size_t first = 0; first + 4800 <= total; first += 4800)
            QVERIFY2(std::abs(levelOf(y, first, 4800) - steady) < 1.5, qPrintable(QString::number(first)));
    }

    void failuresAndCancelLeaveNoFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("failAfter");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full disk") << "full.flac" << qint64(20000) << false << "No space left on device";
        QTest::newRow("cancel") << "cancelled.flac" << qint64(-1) << true << QString();
        QTest::newRow("missing folder") << "gone/mix.flac" << qint64(-1) << false << "does not exist";
    }

    void failuresAndCancelLeaveNoFile()
    {
        QFETCH(QString, name);
        QFETCH(qint64, failAfter);
        QFETCH(bool, cancel);
        QFETCH(QString, reason);
        Console console(m_sounds.path(), 48000);
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        // An earlier file of the name stays as it was.
        QFile earlier(folder.filePath(QStringLiteral("full.flac")));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        earlier.close();

        MemoryWriter writer;
        writer.failAfterFrames = failAfter;
        std::atomic<bool> stop{false};
        if (cancel)
            writer.afterWrite = [&] { stop = writer.frames.size() > 30000; };
        const MixRenderer::Result result =
            MixRenderer::render(MixSnapshot::capture(console.engine), optionsFor(path, 60.0), writer, stop);

        QCOMPARE(result.status, cancel ? Status::Cancelled : Status::Failed);
        if (!cancel) {
            QVERIFY2(result.message.contains(QDir::toNativeSeparators(path)) && result.message.contains(reason),
                     qPrintable(result.message));
        }
        QVERIFY(!writer.finished);
        QCOMPARE(entriesOf(folder.path()), QStringList{QStringLiteral("full.flac")});
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    }

    void aSilentMixIsRefused()
    {
        OfflineAudioOutput output;
        SoundEngine engine(output);
        engine.loadChannelSounds(m_sounds.path());
        MemoryWriter writer;
        QTemporaryDir folder;
        const MixRenderer::Result result =
            renderToMemory(MixSnapshot::capture(engine), optionsFor(folder.filePath(QStringLiteral("silent.wav")), 1.0), writer);
        QCOMPARE(result.status, Status::Failed);
        QVERIFY(result.message.contains(QStringLiteral("no channel is switched on")));
        QVERIFY(entriesOf(folder.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(MixRendererTest)
#include "MixRendererTest.moc"
