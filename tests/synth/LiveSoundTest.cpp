// The live sounds against the files that ship them: the same level and spectrum, never the
// same stretch twice, and no step where a channel stops, starts again or changes its rate.

#include "engine/ChannelBuffer.h"
#include "engine/ChannelSound.h"
#include "synth/LiveSound.h"

#include "LiveRender.h"

#include <QtTest>

#include <ebur128.h>
#include <fftw3.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <memory>
#include <new>
#include <numeric>
#include <vector>

namespace {

// Every allocation of this test program is counted, so that a test can show that the audio
// thread's part of a sound allocates nothing.
std::atomic<long> allocations{0};

}

void *operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void *memory) noexcept
{
    std::free(memory);
}

void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

constexpr double kRate = LiveSound::sampleRate;
constexpr const char *kLiveFiles[] = {"Brown_Noise.Wav", "Pink_Noise.Wav", "White_Noise.Wav", "Blue_Noise.Wav", "violet.Wav",
                                       "downpour.Wav", "wind.Wav", "ocean.Wav", "crickets.Wav", "cicada.Wav", "sine.Wav",
                                       "square.Wav", "saw.Wav", "radiostatic.Wav"};

using Stereo = LiveRender::Stereo;

Stereo readFile(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file || info.channels != 2)
        return {};
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames) * 2);
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    Stereo out{std::vector<float>(interleaved.size() / 2), std::vector<float>(interleaved.size() / 2)};
    for (std::size_t i = 0; i < out.left.size(); ++i) {
        out.left[i] = interleaved[2 * i];
        out.right[i] = interleaved[2 * i + 1];
    }
    return out;
}

double loudness(const Stereo &sound)
{
    ebur128_state *state = ebur128_init(2, static_cast<unsigned long>(kRate), EBUR128_MODE_I);
    std::vector<float> interleaved(2 * sound.left.size());
    for (std::size_t i = 0; i < sound.left.size(); ++i) {
        interleaved[2 * i] = sound.left[i];
        interleaved[2 * i + 1] = sound.right[i];
    }
    ebur128_add_frames_float(state, interleaved.data(), sound.left.size());
    double result = 0.0;
    ebur128_loudness_global(state, &result);
    ebur128_destroy(&state);
    return result;
}

// Power in each third-octave band from 50 Hz to 10 kHz, in decibels, averaged over both sides.
std::vector<double> thirdOctaves(const Stereo &sound)
{
    constexpr std::size_t size = 16384;
    std::vector<double> power(size / 2 + 1, 0.0);
    std::vector<double> frame(size);
    std::vector<std::complex<double>> spectrum(size / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(size), frame.data(),
                                          reinterpret_cast<fftw_complex *>(spectrum.data()), FFTW_ESTIMATE);
    for (const std::vector<float> *side : {&sound.left, &sound.right}) {
        for (std::size_t first = 0; first + size <= side->size(); first += size / 2) {
            for (std::size_t i = 0; i < size; ++i)
                frame[i] = (*side)[first + i] * (0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / size));
            fftw_execute(plan);
            for (std::size_t bin = 0; bin < power.size(); ++bin)
                power[bin] += std::norm(spectrum[bin]);
        }
    }
    fftw_destroy_plan(plan);
    std::vector<double> bands;
    for (int band = -13; band <= 10; ++band) {
        const double centre = 1000.0 * std::pow(2.0, band / 3.0);
        double sum = 0.0;
        for (std::size_t bin = 1; bin < power.size(); ++bin) {
            const double hertz = static_cast<double>(bin) * kRate / size;
            if (hertz >= centre * std::pow(2.0, -1.0 / 6.0) && hertz < centre * std::pow(2.0, 1.0 / 6.0))
                sum += power[bin];
        }
        bands.push_back(10.0 * std::log10(sum / static_cast<double>(sound.left.size())));
    }
    return bands;
}

// Where the sound's events fall: the level of each octave band from 63 Hz to 8 kHz, in
// decibels, fifty times a second.
using Texture = std::vector<std::vector<double>>;

Texture textureOf(const std::vector<float> &signal)
{
    constexpr std::size_t size = 1024;
    constexpr std::size_t hop = 441;
    std::vector<double> frame(size);
    std::vector<std::complex<double>> spectrum(size / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(size), frame.data(),
                                          reinterpret_cast<fftw_complex *>(spectrum.data()), FFTW_ESTIMATE);
    Texture bands(8);
    for (std::size_t first = 0; first + size <= signal.size(); first += hop) {
        for (std::size_t i = 0; i < size; ++i)
            frame[i] = signal[first + i] * (0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / size));
        fftw_execute(plan);
        for (std::size_t band = 0; band < bands.size(); ++band) {
            const double low = 44.0 * std::pow(2.0, static_cast<double>(band));
            double power = 1e-12;
            for (std::size_t bin = 1; bin < spectrum.size(); ++bin) {
                const double hertz = static_cast<double>(bin) * kRate / size;
                if (hertz >= low && hertz < 2.0 * low)
                    power += std::norm(spectrum[bin]);
            }
            bands[band].push_back(10.0 * std::log10(power));
        }
    }
    fftw_destroy_plan(plan);
    return bands;
}

// How alike two stretches of texture are: the correlation of each band's course over time,
// averaged over the bands, so that the spectrum's steady shape counts for nothing.
double textureCorrelation(const Texture &a, std::size_t atA, const Texture &b, std::size_t atB, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t band = 0; band < a.size(); ++band) {
        const auto x = a[band].begin() + static_cast<std::ptrdiff_t>(atA);
        const auto y = b[band].begin() + static_cast<std::ptrdiff_t>(atB);
        const double meanX = std::accumulate(x, x + static_cast<std::ptrdiff_t>(count), 0.0) / static_cast<double>(count);
        const double meanY = std::accumulate(y, y + static_cast<std::ptrdiff_t>(count), 0.0) / static_cast<double>(count);
        double xy = 0.0;
        double xx = 0.0;
        double yy = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            xy += (x[static_cast<std::ptrdiff_t>(i)] - meanX) * (y[static_cast<std::ptrdiff_t>(i)] - meanY);
            xx += (x[static_cast<std::ptrdiff_t>(i)] - meanX) * (x[static_cast<std::ptrdiff_t>(i)] - meanX);
            yy += (y[static_cast<std::ptrdiff_t>(i)] - meanY) * (y[static_cast<std::ptrdiff_t>(i)] - meanY);
        }
        sum += xx > 0.0 && yy > 0.0 ? xy / std::sqrt(xx * yy) : 0.0;
    }
    return sum / static_cast<double>(a.size());
}

// The best match of the stretch at `at` anywhere in `within` before `end`.
double bestTextureMatch(const Texture &texture, std::size_t at, const Texture &within, std::size_t end, std::size_t count)
{
    double best = -1.0;
    for (std::size_t there = 0; there + count <= end; ++there)
        best = std::max(best, textureCorrelation(texture, at, within, there, count));
    return best;
}

// Peak of the first differences: how large a step the sound itself takes.
float largestStep(const std::vector<float> &stereo, std::size_t from, std::size_t to)
{
    float largest = 0.0f;
    for (std::size_t i = 2 * from + 2; i < 2 * to; ++i)
        largest = std::max(largest, std::fabs(stereo[i] - stereo[i - 2]));
    return largest;
}

}

class LiveSoundTest : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheShippedFilesLevelAndSpectrum_data();
    void keepsTheShippedFilesLevelAndSpectrum();
    void neverRepeatsAStretch_data();
    void neverRepeatsAStretch();
    void theSameSeedMakesTheSameSound();
    void playsWithoutAllocating_data();
    void playsWithoutAllocating();
    void continuesWithoutAStep_data();
    void continuesWithoutAStep();

private:
    static void addRowPerSound();
};

void LiveSoundTest::addRowPerSound()
{
    QTest::addColumn<QString>("fileName");
    for (const char *fileName : kLiveFiles)
        QTest::newRow(fileName) << QString::fromLatin1(fileName);
}

void LiveSoundTest::keepsTheShippedFilesLevelAndSpectrum_data()
{
    addRowPerSound();
}

void LiveSoundTest::keepsTheShippedFilesLevelAndSpectrum()
{
    QFETCH(QString, fileName);
    const QString folder = qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS");
    const Stereo shipped = readFile(QDir(folder).filePath(fileName));
    QVERIFY2(!shipped.left.empty(), qPrintable(fileName));
    // Three minutes: the slowest swells move a single minute's loudness by more than half
    // a unit from one draw to the next, though the sound's own level is the file's.
    const Stereo live = LiveRender::render(fileName.toLatin1().constData(), 180.0);
    QVERIFY2(std::fabs(loudness(live) - loudness(shipped)) <= 0.5, qPrintable(QString::number(loudness(live))));
    const std::vector<double> liveBands = thirdOctaves(live);
    const std::vector<double> shippedBands = thirdOctaves(shipped);
    for (std::size_t band = 0; band < liveBands.size(); ++band)
        QVERIFY2(std::fabs(liveBands[band] - shippedBands[band]) <= 1.0,
                 qPrintable(QStringLiteral("band %1: %2 dB against %3 dB").arg(band).arg(liveBands[band]).arg(shippedBands[band])));
}

void LiveSoundTest::neverRepeatsAStretch_data()
{
    addRowPerSound();
}

// Neither a stretch of the sound nor the texture of its events comes back. A naturally
// regular sound (the swell of waves, the beat of two engines) may resemble itself, but no
// more than it resembles another instance of itself by chance, plus a fifth.
void LiveSoundTest::neverRepeatsAStretch()
{
    QFETCH(QString, fileName);
    // A minute and a half by default; SONIVALE_LIVE_TEST_SECONDS asks for the longer check
    // (600 renders ten minutes), whose stretches lie in the second half all the same.
    const double length = qEnvironmentVariableIsSet("SONIVALE_LIVE_TEST_SECONDS")
                              ? qEnvironmentVariable("SONIVALE_LIVE_TEST_SECONDS").toDouble()
                              : 90.0;
    QVERIFY(length >= 90.0);
    // SONIVALE_LIVE_TEST_SEED draws the sound anew, for the longer check.
    const std::uint64_t seed = qEnvironmentVariableIsSet("SONIVALE_LIVE_TEST_SEED")
                                   ? qEnvironmentVariable("SONIVALE_LIVE_TEST_SEED").toULongLong()
                                   : 7;
    const Stereo live = LiveRender::render(fileName.toLatin1().constData(), length, seed);
    const LiveRender::Match match = LiveRender::bestEarlierMatch(live.left, LiveRender::stretchStarts(length), static_cast<std::size_t>(2.0 * kRate));
    const double at = static_cast<double>(match.first) / kRate;
    qInfo("%s: the stretch that matches its past best, at %.0f s, does so by %.2f", qPrintable(fileName), at, match.correlation);
    QVERIFY2(match.correlation < 0.5, qPrintable(QStringLiteral("%1 at %2 s").arg(match.correlation).arg(at)));

    const Texture texture = textureOf(live.left);
    const Texture other = textureOf(LiveRender::render(fileName.toLatin1().constData(), 45.0, 8).left);
    constexpr std::size_t framesPerSecond = 50;
    constexpr std::size_t count = 4 * framesPerSecond;
    for (const double share : {0.5, 0.67, 0.83, 0.94}) {
        const double seconds = share * length;
        const auto at = static_cast<std::size_t>(seconds) * framesPerSecond;
        const double itself = bestTextureMatch(texture, at, texture, at, count);
        const double chance = bestTextureMatch(texture, at, other, other[0].size(), count);
        qInfo("%s: its texture at %.0f s matches its past at most %.2f, another instance %.2f", qPrintable(fileName),
              seconds, itself, chance);
        QVERIFY2(itself <= std::max(0.5, chance + 0.2),
                 qPrintable(QStringLiteral("%1 against %2 by chance, at %3 s").arg(itself).arg(chance).arg(seconds)));
    }
}

void LiveSoundTest::theSameSeedMakesTheSameSound()
{
    const Stereo first = LiveRender::render("Pink_Noise.Wav", 2.0, 11);
    QCOMPARE(LiveRender::render("Pink_Noise.Wav", 2.0, 11).left, first.left);
    QVERIFY(LiveRender::render("Pink_Noise.Wav", 2.0, 12).left != first.left);
}

void LiveSoundTest::playsWithoutAllocating_data()
{
    addRowPerSound();
}

// Once a channel has been prepared, playing it (making the sound, doubling it where needed
// and reading it at a new rate) never allocates, so the audio thread never waits for memory.
void LiveSoundTest::playsWithoutAllocating()
{
    QFETCH(QString, fileName);
    constexpr int outputRate = 48000;
    ChannelBuffer buffer(ChannelSound::live(fileName.toStdString()), 3);
    buffer.setVolume(0);
    buffer.play();
    std::vector<float> out(2 * 480);
    const long before = allocations.load();
    for (int block = 0; block < 1000; ++block) {
        if (block == 500)
            buffer.setFrequency(31000);
        buffer.mixInto(out.data(), 480, outputRate);
    }
    QCOMPARE(allocations.load() - before, 0L);
}

void LiveSoundTest::continuesWithoutAStep_data()
{
    QTest::addColumn<bool>("switchOffAndOn");
    QTest::addColumn<int>("newRate");
    QTest::newRow("switched off and on") << true << 22050;
    QTest::newRow("rate raised") << false << 30000;
    QTest::newRow("rate lowered") << false << 9000;
}

void LiveSoundTest::continuesWithoutAStep()
{
    QFETCH(bool, switchOffAndOn);
    QFETCH(int, newRate);
    constexpr int outputRate = 48000;
    constexpr std::size_t half = outputRate / 2;
    constexpr std::size_t fade = outputRate / 10;
    ChannelBuffer buffer(ChannelSound::live("Brown_Noise.Wav"), 5);
    buffer.setVolume(0);
    buffer.play();
    // Half a second steady, then a tenth in which the channel goes off (or not), then on.
    std::vector<float> out(2 * (2 * half + fade), 0.0f);
    buffer.mixInto(out.data(), half, outputRate);
    if (switchOffAndOn)
        buffer.stop();
    buffer.mixInto(out.data() + 2 * half, fade, outputRate);
    QCOMPARE(buffer.isSilent(), switchOffAndOn);
    buffer.play();
    buffer.setFrequency(newRate);
    buffer.mixInto(out.data() + 2 * (half + fade), half, outputRate);
    // The sound's own steps, before the change and once its new rate is reached.
    const std::size_t end = out.size() / 2;
    const float steady = std::max(largestStep(out, 0, half - 1), largestStep(out, end - half / 2, end));
    QVERIFY(steady > 0.0f);
    const float across = largestStep(out, half - 2, end - half / 2);
    QVERIFY2(across <= steady * 1.5f, qPrintable(QStringLiteral("%1 against %2").arg(across).arg(steady)));
}

QTEST_GUILESS_MAIN(LiveSoundTest)
#include "LiveSoundTest.moc"
