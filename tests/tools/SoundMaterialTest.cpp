#include "SoundAnalysis.h"
#include "SoundCatalogue.h"
#include "SoundGenerator.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

const char *const kSoundFiles[] = {
    "Brown_Noise.Wav", "Pink_Noise.Wav", "White_Noise.Wav", "Blue_Noise.Wav", "violet.Wav",
    "downpour.Wav", "wind.Wav", "ocean.Wav", "crickets.Wav", "cicada.Wav",
    "sine.Wav", "square.Wav", "saw.Wav", "radiostatic.Wav",
};

constexpr int kLoopFrames = 1 << 20;
constexpr double kCommonLoudness = -21.0;
constexpr double kLoudnessTolerance = 0.5;
constexpr double kPeakCeilingDbfs = -1.0;
// A third of the least significant bit: what rounding alone could leave behind.
constexpr double kLargestDc = 1e-5;
constexpr double kSlopeTolerance = 0.1;
constexpr std::size_t kSeamEnvelopeFrame = 1102;
constexpr double kClickFactor = 7.0;

}

class SoundMaterialTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void catalogueListsEveryFile();

    void format_data();
    void format();
    void levels_data();
    void levels();
    void seamIsInaudible_data();
    void seamIsInaudible();
    void noiseColourSlope_data();
    void noiseColourSlope();
    void generatorIsDeterministic_data();
    void generatorIsDeterministic();

    void rainFallsInDistinctDrops();
    void downpourIsDenserAndHeavierThanRain();
    void windGustsGetLouderAndBrighter();
    void oceanWavesComeEverySixToTwelveSeconds();
    void cicadasSingHigh();
    void cabinRumblesSteadily();
    void airConditioningHumsOverSteadyAirflow();
    void fanThrobsAtBladePass();
    void radioStaticCrackles();

private:
    SoundAnalysis load(const char *fileName) const;
    void addRowPerFile() const;

    QString m_folder;
};

void SoundMaterialTest::initTestCase()
{
    m_folder = qEnvironmentVariable("SONIVALE_PROGRAM_DIR_FOR_TESTS");
    QVERIFY2(!m_folder.isEmpty(), "the program folder is not given");
}

SoundAnalysis SoundMaterialTest::load(const char *fileName) const
{
    return SoundAnalysis((m_folder + QLatin1Char('/') + QLatin1String(fileName)).toStdString());
}

void SoundMaterialTest::addRowPerFile() const
{
    QTest::addColumn<QString>("fileName");
    for (const char *fileName : kSoundFiles)
        QTest::newRow(fileName) << QString::fromLatin1(fileName);
}

void SoundMaterialTest::catalogueListsEveryFile()
{
    QCOMPARE(SoundCatalogue::recipes().size(), std::size(kSoundFiles));
    for (const char *fileName : kSoundFiles)
        QVERIFY2(SoundCatalogue::find(fileName) != nullptr, fileName);
}

void SoundMaterialTest::format_data()
{
    addRowPerFile();
}

void SoundMaterialTest::format()
{
    QFETCH(QString, fileName);
    SF_INFO info{};
    SNDFILE *file = sf_open(qPrintable(m_folder + QLatin1Char('/') + fileName), SFM_READ, &info);
    QVERIFY(file != nullptr);
    sf_close(file);
    QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QCOMPARE(info.channels, 2);
    QCOMPARE(info.samplerate, 22050);
    QCOMPARE(info.frames, sf_count_t{kLoopFrames});
}

void SoundMaterialTest::levels_data()
{
    addRowPerFile();
}

void SoundMaterialTest::levels()
{
    QFETCH(QString, fileName);
    const SoundAnalysis sound = load(qPrintable(fileName));
    QVERIFY(sound.isLoaded());
    const double loudness = sound.integratedLoudness();
    const double peak = sound.samplePeakDbfs();
    qInfo("%s: %.2f LUFS, peak %.2f dBFS, DC %.2g", qPrintable(fileName), loudness, peak, sound.largestDcOffset());
    QVERIFY(std::fabs(loudness - kCommonLoudness) <= kLoudnessTolerance);
    QVERIFY(peak <= kPeakCeilingDbfs);
    QVERIFY(sound.largestDcOffset() <= kLargestDc);
}

void SoundMaterialTest::seamIsInaudible_data()
{
    addRowPerFile();
}

void SoundMaterialTest::seamIsInaudible()
{
    QFETCH(QString, fileName);
    const SoundAnalysis sound = load(qPrintable(fileName));
    QVERIFY(sound.isLoaded());
    for (int index = 0; index < 2; ++index) {
        const auto &samples = sound.channel(index);
        float largestStep = 0.0f;
        for (std::size_t i = 1; i < samples.size(); ++i)
            largestStep = std::max(largestStep, std::fabs(samples[i] - samples[i - 1]));
        QVERIFY(std::fabs(samples.front() - samples.back()) <= largestStep);
    }
    const std::vector<double> envelope = sound.frameRms(kSeamEnvelopeFrame);
    double largestJump = 0.0;
    for (std::size_t i = 1; i < envelope.size(); ++i)
        largestJump = std::max(largestJump, std::fabs(envelope[i] - envelope[i - 1]));
    const double seamJump = std::fabs(sound.rms(0, kSeamEnvelopeFrame) - sound.rms(kLoopFrames - kSeamEnvelopeFrame, kSeamEnvelopeFrame));
    QVERIFY(seamJump <= largestJump);
}

void SoundMaterialTest::noiseColourSlope_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<double>("decibelsPerOctave");
    QTest::newRow("brown") << QStringLiteral("Brown_Noise.Wav") << -6.02;
    QTest::newRow("pink") << QStringLiteral("Pink_Noise.Wav") << -3.01;
    QTest::newRow("white") << QStringLiteral("White_Noise.Wav") << 0.0;
    QTest::newRow("blue") << QStringLiteral("Blue_Noise.Wav") << 3.01;
    QTest::newRow("purple") << QStringLiteral("violet.Wav") << 6.02;
}

void SoundMaterialTest::noiseColourSlope()
{
    QFETCH(QString, fileName);
    QFETCH(double, decibelsPerOctave);
    const SoundAnalysis sound = load(qPrintable(fileName));
    QVERIFY(sound.isLoaded());
    const double slope = sound.octaveSlope();
    qInfo("%s: %.3f dB per octave", qPrintable(fileName), slope);
    QVERIFY(std::fabs(slope - decibelsPerOctave) <= kSlopeTolerance);
}

void SoundMaterialTest::generatorIsDeterministic_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("white noise") << QStringLiteral("White_Noise.Wav");
    QTest::newRow("rain") << QStringLiteral("downpour.Wav");
}

void SoundMaterialTest::generatorIsDeterministic()
{
    QFETCH(QString, fileName);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const SoundRecipe *recipe = SoundCatalogue::find(fileName.toStdString());
    QVERIFY(recipe != nullptr);
    QVERIFY(SoundGenerator::writeFile(*recipe, folder.path().toStdString()));
    QFile fresh(folder.filePath(fileName));
    QFile built(m_folder + QLatin1Char('/') + fileName);
    QVERIFY(fresh.open(QIODevice::ReadOnly));
    QVERIFY(built.open(QIODevice::ReadOnly));
    QVERIFY(fresh.readAll() == built.readAll());
}

void SoundMaterialTest::rainFallsInDistinctDrops()
{
    const SoundAnalysis rain = load("downpour.Wav");
    QVERIFY(rain.isLoaded());
    const double kurtosis = rain.envelopeKurtosis();
    const double centroid = rain.centroidHertz();
    qInfo("rain: envelope kurtosis %.2f, centroid %.0f Hz", kurtosis, centroid);
    QVERIFY(kurtosis >= 4.0);
    QVERIFY(centroid >= 1500.0 && centroid <= 3500.0);
}

void SoundMaterialTest::downpourIsDenserAndHeavierThanRain()
{
    const SoundAnalysis rain = load("downpour.Wav");
    const SoundAnalysis downpour = load("crickets.Wav");
    QVERIFY(rain.isLoaded() && downpour.isLoaded());
    const double kurtosis = downpour.envelopeKurtosis();
    const double heavier = 10.0 * std::log10(downpour.energyFraction(0.0, 500.0) / rain.energyFraction(0.0, 500.0));
    qInfo("downpour: envelope kurtosis %.2f, %.1f dB more below 500 Hz than rain, modulation %.3f Hz", kurtosis,
          heavier, downpour.modulationPeakHertz());
    QVERIFY(kurtosis >= 3.0 && kurtosis <= 4.0);
    QVERIFY(heavier >= 3.0);
}

void SoundMaterialTest::windGustsGetLouderAndBrighter()
{
    const SoundAnalysis wind = load("wind.Wav");
    QVERIFY(wind.isLoaded());
    const double modulation = wind.modulationPeakHertz();
    const double correlation = wind.levelBrightnessCorrelation();
    const double centroid = wind.centroidHertz();
    qInfo("wind: modulation peak %.3f Hz, level-brightness correlation %.2f, level spread %.1f dB, centroid %.0f Hz",
          modulation, correlation, wind.levelSpreadDecibels(), centroid);
    QVERIFY(modulation < 1.0);
    QVERIFY(correlation >= 0.5);
    QVERIFY(wind.levelSpreadDecibels() >= 4.0);
    QVERIFY(centroid >= 500.0 && centroid <= 1500.0);
}

void SoundMaterialTest::oceanWavesComeEverySixToTwelveSeconds()
{
    const SoundAnalysis ocean = load("ocean.Wav");
    QVERIFY(ocean.isLoaded());
    const double modulation = ocean.modulationPeakHertz();
    const double correlation = ocean.levelBrightnessCorrelation();
    const std::vector<double> envelope = ocean.frameRms(SoundAnalysis::kEnvelopeFrame);
    const auto [quietest, loudest] = std::minmax_element(envelope.begin(), envelope.end());
    const double depth = 20.0 * std::log10(*loudest / *quietest);
    qInfo("ocean: modulation peak %.3f Hz, level-brightness correlation %.2f, depth %.1f dB", modulation, correlation,
          depth);
    QVERIFY(modulation >= 0.08 && modulation <= 0.17);
    QVERIFY(correlation >= 0.5);
    QVERIFY(depth >= 10.0 && depth <= 30.0);
}

void SoundMaterialTest::cicadasSingHigh()
{
    const SoundAnalysis cicada = load("cicada.Wav");
    QVERIFY(cicada.isLoaded());
    const double share = cicada.energyFraction(3000.0, 8000.0);
    qInfo("cicada: %.3f of the energy in 3-8 kHz, centroid %.0f Hz, level spread %.1f dB", share, cicada.centroidHertz(),
          cicada.levelSpreadDecibels());
    QVERIFY(share >= 0.8);
    QVERIFY(cicada.levelSpreadDecibels() >= 2.0);
}

void SoundMaterialTest::cabinRumblesSteadily()
{
    const SoundAnalysis cabin = load("sine.Wav");
    QVERIFY(cabin.isLoaded());
    const double centroid = cabin.centroidHertz();
    const double spread = cabin.levelSpreadDecibels();
    qInfo("cabin: centroid %.0f Hz, level spread %.2f dB", centroid, spread);
    QVERIFY(centroid >= 150.0 && centroid <= 500.0);
    QVERIFY(spread <= 1.0);
}

void SoundMaterialTest::airConditioningHumsOverSteadyAirflow()
{
    const SoundAnalysis conditioner = load("square.Wav");
    QVERIFY(conditioner.isLoaded());
    const double hum = conditioner.toneProminence(100.0);
    const double spread = conditioner.levelSpreadDecibels();
    qInfo("air conditioning: 100 Hz hum %.1f dB above the airflow, 50 Hz %.1f dB, 150 Hz %.1f dB, level spread %.2f dB, "
          "centroid %.0f Hz",
          hum, conditioner.toneProminence(50.0), conditioner.toneProminence(150.0), spread, conditioner.centroidHertz());
    QVERIFY(hum >= 10.0);
    QVERIFY(spread <= 1.0);
}

void SoundMaterialTest::fanThrobsAtBladePass()
{
    const SoundAnalysis fan = load("saw.Wav");
    QVERIFY(fan.isLoaded());
    const double fundamental = fan.toneProminence(80.0);
    const double second = fan.toneProminence(160.0);
    qInfo("fan: blade-pass tone %.1f dB, second harmonic %.1f dB above the turbulence, centroid %.0f Hz", fundamental,
          second, fan.centroidHertz());
    QVERIFY(fundamental >= 10.0);
    QVERIFY(second >= 6.0);
}

void SoundMaterialTest::radioStaticCrackles()
{
    const SoundAnalysis radio = load("radiostatic.Wav");
    QVERIFY(radio.isLoaded());
    const double kurtosis = radio.sampleKurtosis();
    const double share = radio.energyFraction(0.0, 5000.0);
    qInfo("radio static: sample kurtosis %.2f, %.4f of the energy below 5 kHz, level spread %.2f dB, centroid %.0f Hz",
          kurtosis, share, radio.levelSpreadDecibels(), radio.centroidHertz());
    QVERIFY(kurtosis >= 6.0);
    QVERIFY(share >= 0.97);
    QVERIFY(radio.clickCount(kClickFactor) >= 30);
}

QTEST_GUILESS_MAIN(SoundMaterialTest)
#include "SoundMaterialTest.moc"
