#include "TestSounds.h"

#include "engine/ChannelTable.h"
#include "engine/SoundData.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>

namespace {

// A quarter of full scale, in every format.
constexpr double amplitude = 0.25;
constexpr int rate = 11025;
constexpr int frames = 3000;

double sine(int frame, int channel)
{
    return amplitude * std::sin(2.0 * M_PI * 441.0 * frame / rate + channel);
}

// Rewrites the total length in a FLAC file's STREAMINFO block, as a damaged or hostile
// header would claim it.
bool claimFlacFrames(const QString &path, quint64 claimed)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    if (!bytes.startsWith("fLaC") || bytes.size() < 26)
        return false;
    bytes[21] = char((uchar(bytes[21]) & 0xF0) | ((claimed >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i)
        bytes[22 + i] = char((claimed >> (24 - 8 * i)) & 0xFF);
    return file.seek(0) && file.write(bytes) == bytes.size();
}

int peakOf(const SoundData &sound, int side)
{
    int peak = 0;
    for (std::size_t i = 0; i < sound.frames(); ++i)
        peak = std::max(peak, std::abs(int(sound.frameData()[2 * i + std::size_t(side)])));
    return peak;
}

}

// Every file libsndfile reads plays at its recorded level; a file that is not a sound, or
// claims more sound than it holds, is refused with a reason and without a large allocation.
class SoundDataTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString make(const QString &kind)
    {
        const QString path = m_dir.filePath(kind);
        const struct { const char *kind; int format; int channels; } formats[] = {
            {"16-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2}, {"24-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2},
            {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2},   {"double", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 2},
            {"8-bit mono", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1}, {"FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2},
            {"Ogg Vorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2}, {"four channels", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 4},
            {"16-bit mono", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1},
        };
        for (const auto &f : formats) {
            if (kind == QLatin1String(f.kind))
                return TestSounds::writeSound(path, f.format, rate, frames, f.channels, sine) ? path : QString();
        }
        if (kind.startsWith(QLatin1String("FLAC claiming"))) {
            const bool ok = TestSounds::writeSound(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, rate, frames, 2, sine)
                && claimFlacFrames(path, kind.section(QLatin1Char(' '), 2).toULongLong());
            return ok ? path : QString();
        }
        if (kind == QLatin1String("FIFO"))
            return mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
        QFile file(path);
        const QByteArray content = kind == QLatin1String("text") ? QByteArray("1,0,0,-2000\r\n") : QByteArray();
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() ? path : QString();
    }

private slots:
    void everyReadableFormatPlaysAtItsLevel_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"16-bit", "24-bit", "float", "double", "8-bit mono", "FLAC", "Ogg Vorbis", "four channels",
                                 "16-bit mono"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void everyReadableFormatPlaysAtItsLevel()
    {
        QFETCH(QString, kind);
        const QString path = make(kind);
        QVERIFY(!path.isEmpty());
        QString error;
        const std::unique_ptr<SoundData> sound = SoundData::load(path, &error);
        QVERIFY2(sound, qPrintable(error));
        QCOMPARE(sound->sampleRate(), rate);
        QCOMPARE(sound->frames(), std::size_t(frames));
        // The sampled peak of the sine lies within 1 % below its amplitude; 8-bit and
        // Vorbis add their own coarseness.
        const double tolerance = kind == "8-bit mono" || kind == "Ogg Vorbis" ? 0.08 : 0.015;
        for (int side : {0, 1}) {
            const double level = peakOf(*sound, side) / 32768.0 / amplitude;
            QVERIFY2(std::fabs(level - 1.0) < tolerance, qPrintable(QString::number(level)));
        }

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::unique_ptr<SoundData> fromMemory = SoundData::fromEncoded(file.readAll(), &error);
        QVERIFY(fromMemory && fromMemory->frames() == sound->frames());
        QVERIFY(std::equal(sound->frameData(), sound->frameData() + 2 * frames, fromMemory->frameData()));
    }

    void badFilesAreRefusedWithAReason_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FLAC claiming 6.8e10 frames") << "FLAC claiming 68000000000" << "claims 68000000000 frames";
        QTest::newRow("FLAC claiming 3e8 frames") << "FLAC claiming 300000000" << "claims 300000000 frames";
        QTest::newRow("FLAC claiming 2e6 frames") << "FLAC claiming 2000000" << "more than its";
        QTest::newRow("FIFO") << "FIFO" << "not a regular file";
        QTest::newRow("text") << "text" << "";
        QTest::newRow("empty") << "empty" << "";
        QTest::newRow("missing") << "missing" << "does not exist";
    }

    void badFilesAreRefusedWithAReason()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = kind == "missing" ? m_dir.filePath(kind) : make(kind);
        QVERIFY(!path.isEmpty());
        QString error;
        QVERIFY(!SoundData::load(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    // The sounds load in parallel; a bad one is listed like a missing one and the others play.
    void aBadChannelSoundIsListedAndTheRestLoad()
    {
        QTemporaryDir program;
        QVERIFY(TestSounds::writeChannelSounds(program.path(), [](int) { return rate; }));
        const QString brown = ChannelTable::soundFilePath(program.path(), ChannelTable::channel(1).soundFile);
        const QString rain = ChannelTable::soundFilePath(program.path(), ChannelTable::channel(6).soundFile);
        QVERIFY(QFile::remove(brown) && QFile::copy(make("FLAC claiming 68000000000"), brown));
        QVERIFY(QFile::remove(rain) && QFile::copy(make("float"), rain));

        OfflineAudioOutput output;
        SoundEngine engine(output);
        QCOMPARE(engine.loadChannelSounds(program.path()), QStringList{brown});
        QVERIFY(!engine.buffer(1));
        for (int channel = 2; channel <= ChannelTable::channelCount; ++channel)
            QVERIFY(engine.buffer(channel));
    }
};

QTEST_GUILESS_MAIN(SoundDataTest)
#include "SoundDataTest.moc"
