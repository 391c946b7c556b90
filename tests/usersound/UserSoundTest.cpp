#include "BadFiles.h"
#include "ConsoleRig.h"
#include "EnforcedFilePermissions.h"
#include "Spectrum.h"
#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelSound.h"
#include "usersound/FileDecoder.h"
#include "usersound/LoudnessCache.h"
#include "usersound/SndFileOpener.h"
#include "usersound/SoundFileReader.h"
#include "usersound/StreamedSound.h"
#include "usersound/UserSoundFile.h"

#include <QFile>
#include <QScopeGuard>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <random>

namespace {

constexpr std::size_t blockFrames = 512;

// A reader whose frames come only as the test grants them, as from a disk that is slow or
// stuck: read() waits on the decoder thread until some are granted.
class GatedReader final : public SoundFileReader
{
public:
    struct Gate
    {
        std::mutex mutex;
        std::condition_variable changed;
        std::int64_t granted = 0;
        std::int64_t delivered = 0;
        bool open = true; // reads pass freely until the test starts granting

        void grant(std::int64_t frames)
        {
            {
                const std::lock_guard lock(mutex);
                open = false;
                granted += frames;
            }
            changed.notify_all();
        }
        // Waits until the reader has handed over everything granted.
        void awaitDelivery()
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [this] { return delivered == granted; });
        }
        void release()
        {
            {
                const std::lock_guard lock(mutex);
                open = true;
            }
            changed.notify_all();
        }
    };

    GatedReader(std::unique_ptr<SoundFileReader> inner, Gate &gate) : m_inner(std::move(inner)), m_gate(gate) {}

    int sampleRate() const override { return m_inner->sampleRate(); }
    std::int64_t frames() const override { return m_inner->frames(); }
    bool seek(std::int64_t frame) override { return m_inner->seek(frame); }
    std::int64_t read(float *stereo, std::int64_t frames) override
    {
        std::unique_lock lock(m_gate.mutex);
        m_gate.changed.wait(lock, [this] { return m_gate.open || m_gate.granted > m_gate.delivered; });
        const std::int64_t allowed = m_gate.open ? frames : std::min(frames, m_gate.granted - m_gate.delivered);
        const std::int64_t got = m_inner->read(stereo, allowed);
        if (!m_gate.open)
            m_gate.delivered += std::max<std::int64_t>(got, 0);
        lock.unlock();
        m_gate.changed.notify_all();
        return got;
    }

private:
    std::unique_ptr<SoundFileReader> m_inner;
    Gate &m_gate;
};

class GatedOpener final : public SoundFileOpener
{
public:
    std::unique_ptr<SoundFileReader> open(const QString &path, QString *reason) const override
    {
        std::unique_ptr<SoundFileReader> inner = m_files.open(path, reason);
        return inner ? std::make_unique<GatedReader>(std::move(inner), gate) : nullptr;
    }

    mutable GatedReader::Gate gate;

private:
    SndFileOpener m_files;
};

// The user's files as the program opens them, with a decoder that the test drives.
struct Files
{
    QTemporaryDir dir;
    SndFileOpener opener;
    FileDecoder decoder{FileDecoder::Mode::Manual};
    LoudnessCache cache{dir.filePath(QStringLiteral("cache/loudness.tsv"))};
    UserSoundFile::Services services{opener, decoder, cache};

    QString path(const QString &name) const { return dir.filePath(name); }
};

// Interleaved frames from a stream, taken as the audio thread takes them: at twice the file's
// rate, doubled through the half-band kernel.
std::vector<float> takeDoubled(LiveSound &sound, std::size_t frames)
{
    std::vector<float> left(blockFrames);
    std::vector<float> right(blockFrames);
    std::vector<float> out;
    out.reserve(2 * frames);
    for (std::size_t done = 0; done < frames; done += blockFrames) {
        const std::size_t count = std::min(blockFrames, frames - done);
        sound.generate(left.data(), right.data(), count);
        for (std::size_t i = 0; i < count; ++i) {
            out.push_back(left[i]);
            out.push_back(right[i]);
        }
    }
    return out;
}

// The same at the file's rate: the half-band kernel keeps every frame of the file as it is,
// with a new one after each.
std::vector<float> take(LiveSound &sound, std::size_t frames)
{
    const std::vector<float> doubled = takeDoubled(sound, 2 * frames);
    std::vector<float> out;
    out.reserve(2 * frames);
    for (std::size_t i = 0; i < doubled.size(); i += 4) {
        out.push_back(doubled[i]);
        out.push_back(doubled[i + 1]);
    }
    return out;
}

// The whole file as the streams read it, before its gain.
std::vector<float> readWhole(const QString &path)
{
    QString reason;
    std::unique_ptr<SoundFileReader> reader = SndFileOpener().open(path, &reason);
    std::vector<float> frames(static_cast<std::size_t>(2 * reader->frames()));
    reader->read(frames.data(), reader->frames());
    return frames;
}

double loudness(const std::vector<float> &stereo, int rate)
{
    ebur128_state *state = ebur128_init(2, static_cast<unsigned long>(rate), EBUR128_MODE_I);
    ebur128_add_frames_float(state, stereo.data(), stereo.size() / 2);
    double result = 0.0;
    ebur128_loudness_global(state, &result);
    ebur128_destroy(&state);
    return result;
}

double peak(const std::vector<float> &stereo)
{
    double largest = 0.0;
    for (float sample : stereo)
        largest = std::max(largest, static_cast<double>(std::fabs(sample)));
    return largest;
}

// RMS over windows of `window` frames, both sides together.
std::vector<double> envelope(const std::vector<float> &stereo, std::size_t window)
{
    std::vector<double> levels;
    for (std::size_t first = 0; first + 2 * window <= stereo.size(); first += 2 * window) {
        double sum = 0.0;
        for (std::size_t i = first; i < first + 2 * window; ++i)
            sum += static_cast<double>(stereo[i]) * stereo[i];
        levels.push_back(std::sqrt(sum / static_cast<double>(2 * window)));
    }
    return levels;
}

std::function<double(int, int)> noise(double amplitude, std::uint32_t seed)
{
    auto random = std::make_shared<std::mt19937>(seed);
    return [=](int, int) { return amplitude * std::uniform_real_distribution<double>(-1.0, 1.0)(*random); };
}

// A WAV header that claims `frames` 8-bit mono frames at 8 kHz, over holes that take no disk.
bool writeClaimedLength(const QString &path, quint32 frames)
{
    QByteArray header;
    auto put32 = [&header](quint32 value) { header.append(reinterpret_cast<const char *>(&value), 4); };
    auto put16 = [&header](quint16 value) { header.append(reinterpret_cast<const char *>(&value), 2); };
    header.append("RIFF");
    put32(36 + frames);
    header.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(8000);
    put16(1);
    put16(8);
    header.append("data");
    put32(frames);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(header) == header.size() && file.resize(header.size() + frames);
}

}

class UserSoundTest : public QObject
{
    Q_OBJECT

private slots:
    void badFilesAreRefusedByNameAndReason_data();
    void badFilesAreRefusedByNameAndReason();
    void loopsWithoutASeam_data();
    void loopsWithoutASeam();
    void playsAtTheBuiltInLoudness_data();
    void playsAtTheBuiltInLoudness();
    void keepsItsSpeedAndBandwidth_data();
    void keepsItsSpeedAndBandwidth();
    void slowReaderNeitherGapsNorBlocks();
    void removedFileFallsBackToTheChannelsOwnSound();
};

void UserSoundTest::badFilesAreRefusedByNameAndReason_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QByteArray("<missing>") << "does not exist";
    QTest::newRow("text") << QByteArray("a list of groceries\n") << "not a sound file";
    QTest::newRow("empty") << QByteArray() << "empty";
    QTest::newRow("no frames") << QByteArray("<no frames>") << "holds no sound";
    QTest::newRow("unreadable") << QByteArray("<unreadable>") << "unreadable";
    QTest::newRow("fifo") << QByteArray("<fifo>") << "FIFO";
    QTest::newRow("device") << QByteArray("<zero>") << "device";
    QTest::newRow("folder") << QByteArray("<folder>") << "folder";
    QTest::newRow("too long") << QByteArray("<25 hours>") << "too long";
}

void UserSoundTest::badFilesAreRefusedByNameAndReason()
{
    QFETCH(QByteArray, kind);
    QFETCH(QString, reason);
    Files files;
    const QString path = files.path(QStringLiteral("my sound.wav"));
    if (kind == "<no frames>")
        QVERIFY(TestSounds::writeWav(path, 44100, 0, 2, [](int, int) { return 0.0; }));
    else if (kind == "<25 hours>")
        QVERIFY(writeClaimedLength(path, 25u * 3600u * 8000u));
    else if (kind == "<unreadable>")
        QVERIFY(TestSounds::writeSine(path, 44100, 4410, 441.0, 0.5) && QFile::setPermissions(path, {}));
    else
        QVERIFY(BadFiles::makeAt(path, kind));

    const EnforcedFilePermissions enforced;
    QString error;
    QVERIFY(!ChannelSound::fromFile(path, &error, files.services));
    QVERIFY2(error.contains(QStringLiteral("\"%1\"").arg(path)) && error.contains(reason), qPrintable(error));
    QVERIFY(!error.contains(QLatin1Char('\n')));
}

void UserSoundTest::loopsWithoutASeam_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("seamless");
    // Noise that swells from quiet to loud ends far louder than it begins.
    QTest::newRow("swelling noise") << 22050 << 12.0 << false;
    // Whole periods of a sine run on from the last frame into the first.
    QTest::newRow("whole periods") << 44100 << 1.0 << true;
}

void UserSoundTest::loopsWithoutASeam()
{
    QFETCH(int, rate);
    QFETCH(double, seconds);
    QFETCH(bool, seamless);
    Files files;
    const QString path = files.path(QStringLiteral("loop.wav"));
    const int frames = static_cast<int>(seconds * rate);
    auto grain = noise(1.0, 7);
    QVERIFY(TestSounds::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, rate, frames, 2, [&](int frame, int side) {
        if (seamless)
            return 0.5 * std::sin(2.0 * M_PI * 441.0 * frame / rate + side);
        return (0.1 + 0.8 * frame / frames) * grain(frame, side);
    }));
    QString error;
    const auto file = UserSoundFile::open(path, &error, files.services);
    QVERIFY2(file, qPrintable(error));
    const LoopPlan &loop = file->loop();
    if (seamless)
        QCOMPARE(loop.fade, std::int64_t{0});
    else
        QVERIFY(loop.fade >= LoopPlan::minimumFadeSeconds * rate && loop.fade <= LoopPlan::maximumFadeSeconds * rate);

    std::vector<float> inner = readWhole(path);
    const double largestInner = ConsoleRig::largestStep(inner) * file->gain();
    for (std::uint64_t seed : {1u, 2u}) {
        auto stream = file->stream(seed, true);
        const std::vector<float> played = take(*stream, static_cast<std::size_t>(3 * loop.length()));
        // The stream holds 16-bit frames: a step may grow by their rounding.
        QVERIFY2(ConsoleRig::largestStep(played) <= largestInner * 1.0001 + 1.0 / 32768,
                 qPrintable(QStringLiteral("%1 > %2").arg(ConsoleRig::largestStep(played)).arg(largestInner)));
        // The level moves as slowly as the file's own: over 20 ms it never jumps by a fifth.
        const std::vector<double> levels = envelope(played, static_cast<std::size_t>(rate / 50));
        for (std::size_t i = 1; i < levels.size(); ++i)
            QVERIFY2(levels[i] < 1.2 * levels[i - 1] && levels[i - 1] < 1.2 * levels[i], qPrintable(QString::number(i)));
    }
}

void UserSoundTest::playsAtTheBuiltInLoudness_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<double>("spike");
    QTest::newRow("quiet mono FLAC") << (SF_FORMAT_FLAC | SF_FORMAT_PCM_16) << 48000 << 1 << 0.01 << 0.0;
    QTest::newRow("loud six-channel float WAV") << (SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 44100 << 6 << 0.9 << 0.0;
    // A quiet bed under full-scale clicks: the peak ceiling, not the loudness, sets its gain.
    QTest::newRow("quiet with clicks") << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 44100 << 2 << 0.003 << 1.0;
}

void UserSoundTest::playsAtTheBuiltInLoudness()
{
    QFETCH(int, format);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(double, amplitude);
    QFETCH(double, spike);
    Files files;
    const QString path = files.path(QStringLiteral("level.snd"));
    auto grain = noise(amplitude, 11);
    QVERIFY(TestSounds::writeSound(path, format, rate, 10 * rate, channels, [&](int frame, int channel) {
        return frame % rate == rate / 2 && channel == 0 ? spike : grain(frame, channel);
    }));
    QString error;
    const auto file = UserSoundFile::open(path, &error, files.services);
    QVERIFY2(file, qPrintable(error));
    const std::vector<float> played = take(*file->stream(3, true), static_cast<std::size_t>(20 * rate));

    QVERIFY(peak(played) <= UserSoundFile::peakCeiling + 1e-4);
    if (spike == 0.0)
        QVERIFY2(std::fabs(loudness(played, rate) - UserSoundFile::targetLoudness) <= 1.0,
                 qPrintable(QString::number(loudness(played, rate))));
    // Measured once: the cache file holds it, for the file as it stands, for the next start.
    const QFileInfo info(path);
    LoudnessCache nextStart(files.dir.filePath(QStringLiteral("cache/loudness.tsv")));
    QVERIFY(nextStart.find(path, info.size(), info.lastModified().toMSecsSinceEpoch()));
    QVERIFY(!nextStart.find(path, info.size() + 1, info.lastModified().toMSecsSinceEpoch()));
}

void UserSoundTest::keepsItsSpeedAndBandwidth_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("tone");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<double>("heard");
    // Where the built-in sounds play at their natural speed, so does every file, with its band.
    QTest::newRow("48 kHz, natural speed") << 48000 << 18000.0 << 22050 << 18000.0;
    QTest::newRow("44.1 kHz, natural speed") << 44100 << 17000.0 << 22050 << 17000.0;
    QTest::newRow("22.05 kHz, half speed") << 22050 << 8000.0 << 11025 << 4000.0;
    QTest::newRow("96 kHz, natural speed") << 96000 << 5000.0 << 22050 << 5000.0;
    // Faster, the kernel is stretched over every other frame.
    QTest::newRow("44.1 kHz, the sliders' start") << 44100 << 5000.0 << 32000 << 5000.0 * 32000 / 22050;
}

void UserSoundTest::keepsItsSpeedAndBandwidth()
{
    QFETCH(int, rate);
    QFETCH(double, tone);
    QFETCH(int, frequency);
    QFETCH(double, heard);
    Files files;
    const QString path = files.path(QStringLiteral("tone.flac"));
    QVERIFY(TestSounds::writeSound(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, rate, rate, 2,
                                   [&](int frame, int) { return 0.5 * std::sin(2.0 * M_PI * tone * frame / rate); }));
    QString error;
    const auto sound = ChannelSound::fromFile(path, &error, files.services);
    QVERIFY2(sound, qPrintable(error));
    ChannelBuffer buffer(sound, 5);
    buffer.setOffline();
    buffer.setFrequency(frequency);
    buffer.play();
    constexpr int outputRate = ConsoleRig::outputRate;
    std::vector<float> out(2 * outputRate / 2, 0.0f);
    buffer.mixInto(out.data(), out.size() / 2, outputRate);

    const std::vector<double> power = Spectrum::power(out, 0, outputRate / 10, 16384);
    const double toneLevel = Spectrum::tonePower(power, outputRate, heard);
    QVERIFY(toneLevel > 0.0);
    const double strayLevel = Spectrum::largestComponent(power, outputRate, 20.0, outputRate / 2.0, heard);
    // The player's 16 bits leave spurs of a tone so regular some 77 dB down; an image or a
    // fold-back of the tone would stand far higher.
    QVERIFY2(Spectrum::decibels(strayLevel / toneLevel) < -70.0,
             qPrintable(QString::number(Spectrum::decibels(strayLevel / toneLevel))));
}

// The decoder thread reads through a gate that lets as many frames through as the test
// grants, and none otherwise, so the ring's fill is known at every block.
void UserSoundTest::slowReaderNeitherGapsNorBlocks()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stream.flac"));
    constexpr int rate = 44100;
    QVERIFY(TestSounds::writeSound(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, rate, 5 * rate, 2, noise(0.3, 5)));
    GatedOpener gated;
    FileDecoder decoder;
    // The decoder can only stop once its reader lets it go, whatever the test's outcome.
    const auto releaseAtEnd = qScopeGuard([&gated] { gated.gate.release(); });
    LoudnessCache cache(dir.filePath(QStringLiteral("loudness.tsv")));
    const UserSoundFile::Services services{gated, decoder, cache};
    QString error;
    const auto file = UserSoundFile::open(path, &error, services);
    QVERIFY2(file, qPrintable(error));

    // Granting exactly what each block takes, twice as many frames doubled, keeps the ring where
    // it began.
    constexpr std::int64_t ahead = 8192;
    constexpr std::size_t steadyFrames = 256 * blockFrames;
    gated.gate.grant(ahead);
    auto stream = file->stream(9, false);
    gated.gate.awaitDelivery();
    std::vector<float> played;
    for (std::size_t done = 0; done < steadyFrames; done += blockFrames) {
        const std::vector<float> block = takeDoubled(*stream, 2 * blockFrames);
        played.insert(played.end(), block.begin(), block.end());
        gated.gate.grant(blockFrames);
        gated.gate.awaitDelivery();
    }
    auto &streamed = static_cast<StreamedSound &>(*stream);
    QCOMPARE(streamed.underruns(), std::uint64_t{0});

    // With the reader stuck the ring runs dry: the sound fades out, and nothing waits for it.
    const std::vector<float> starved = takeDoubled(*stream, 8 * ahead);
    QCOMPARE(streamed.underruns(), std::uint64_t{1});
    QCOMPARE(peak({starved.end() - 4 * ahead, starved.end()}), 0.0);
    QVERIFY(ConsoleRig::largestStep(starved) <= ConsoleRig::largestStep(played));
    // Once frames come again, so does the sound.
    gated.gate.grant(4 * ahead);
    gated.gate.awaitDelivery();
    const std::vector<float> back = takeDoubled(*stream, 4 * ahead);
    QVERIFY(peak({back.end() - 2 * ahead, back.end()}) > peak(played) / 2);
    QVERIFY(ConsoleRig::largestStep(back) <= ConsoleRig::largestStep(played));
    stream.reset();
    gated.gate.release();
    // The steady part is, frame for frame, what a render reads straight from the file.
    QVERIFY(played == takeDoubled(*file->stream(9, true), 2 * steadyFrames));
}

void UserSoundTest::removedFileFallsBackToTheChannelsOwnSound()
{
    ConsoleRig rig;
    QVERIFY(rig.ready());
    Files files;
    const QString path = files.path(QStringLiteral("rain.ogg"));
    QVERIFY(TestSounds::writeSound(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 5 * 48000, 2, noise(0.2, 3)));
    QString error;
    const auto sound = ChannelSound::fromFile(path, &error, files.services);
    QVERIFY2(sound, qPrintable(error));

    constexpr int channel = 3;
    ChannelBuffer *own = rig.engine().buffer(channel);
    own->setVolume(-600);
    own->setPan(400);
    own->setFrequency(30000);
    own->play();
    rig.render(0.2);
    rig.engine().setChannelSound(channel, sound);
    files.decoder.serviceAll();
    const std::vector<float> across = rig.render(0.5);
    QVERIFY(rig.engine().buffer(channel)->sound().file());
    QVERIFY(rig.levelDb(across, across.size() / 4, across.size() / 4) > -40.0);

    QSignalSpy lost(&rig.engine(), &SoundEngine::channelSoundLost);
    QVERIFY(QFile::remove(path));
    files.decoder.serviceAll();
    QVERIFY(lost.wait());
    QCOMPARE(lost.size(), 1);
    QCOMPARE(lost.at(0).at(0).toInt(), channel);
    QCOMPARE(lost.at(0).at(1).toString(), path);
    const ChannelBuffer *restored = rig.engine().buffer(channel);
    QVERIFY(!restored->sound().file());
    QVERIFY(restored->isPlaying());
    QCOMPARE(restored->volume(), -600);
    QCOMPARE(restored->pan(), 400);
    QCOMPARE(restored->frequency(), 30000);
    // The channel's own sine comes back without a click: while the file fades out and the sine
    // in, no step goes beyond the file's own and the sine's together, and after it none beyond
    // a sine's.
    const std::vector<float> after = rig.render(0.3);
    const std::size_t fadeEnd = 2 * ConsoleRig::outputRate / 100;
    QVERIFY(rig.levelDb(after, after.size() / 4, after.size() / 4) > -40.0);
    const float sineStep = ConsoleRig::largestStep({after.begin() + fadeEnd, after.end()});
    QVERIFY(sineStep < 0.02);
    const float fadeStep = ConsoleRig::largestStep({after.begin(), after.begin() + fadeEnd});
    QVERIFY2(fadeStep <= ConsoleRig::largestStep(across) + sineStep,
             qPrintable(QStringLiteral("%1 > %2").arg(fadeStep).arg(ConsoleRig::largestStep(across))));
}

QTEST_GUILESS_MAIN(UserSoundTest)
#include "UserSoundTest.moc"
