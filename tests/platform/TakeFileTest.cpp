#include "platform/TakeFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <cstdint>

namespace {

CaptureFormat format(int rate, int channels, int bits)
{
    const int frameBytes = channels * bits / 8;
    return {rate, channels, bits, frameBytes, rate * frameBytes};
}

QByteArray samples16(std::initializer_list<std::int16_t> values)
{
    QByteArray bytes;
    for (std::int16_t value : values)
        bytes.append(reinterpret_cast<const char *>(&value), sizeof value);
    return bytes;
}

// The sound in a take as written, and its frame count by the header.
struct Read
{
    QByteArray sound;
    sf_count_t frames = -1;
};

Read readTake(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    Read read;
    read.frames = info.frames;
    QByteArray sound(1 << 16, '\0');
    sound.resize(sf_read_raw(file, sound.data(), sound.size()));
    read.sound = sound;
    sf_close(file);
    return read;
}

}

// A take written as the server hands the sound over, read back as a WAV file.
class TakeFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void receivedSoundIsWrittenInTheTakesFormat_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("16-bit stereo as it comes") << 2 << 16 << samples16({1000, -3000, 7, 8})
                                                   << samples16({1000, -3000, 7, 8});
        QTest::newRow("16-bit mono, the sides averaged") << 1 << 16 << samples16({1000, 3000, -2, -4})
                                                         << samples16({2000, -3});
        QTest::newRow("8-bit stereo as it comes") << 2 << 8 << QByteArray("\x10\x21\x80\xff", 4)
                                                  << QByteArray("\x10\x21\x80\xff", 4);
        QTest::newRow("8-bit mono, the sides averaged") << 1 << 8 << QByteArray("\x10\x21\x80\xff", 4)
                                                        << QByteArray("\x19\xc0", 2);
        QTest::newRow("a torn frame is left out") << 2 << 16 << samples16({5, 6, 7}) << samples16({5, 6});
    }

    void receivedSoundIsWrittenInTheTakesFormat()
    {
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(QByteArray, received);
        QFETCH(QByteArray, written);
        TakeFile take;
        QString error;
        QVERIFY2(take.create(path("sound.wav"), format(8000, channels, bits), &error), qPrintable(error));
        QVERIFY(take.writeReceived(received.constData(), std::size_t(received.size())));
        QCOMPARE(take.bytesWritten(), qint64(written.size()));
        take.close();
        QCOMPARE(readTake(path("sound.wav")).sound, written);
    }

    void aTakeCutOffIsReadableUpToItsLastSecond()
    {
        TakeFile take;
        QString error;
        QVERIFY2(take.create(path("cut.wav"), format(8000, 2, 16), &error), qPrintable(error));
        const QByteArray second(8000 * 4, '\x01');
        QVERIFY(take.writeReceived(second.constData(), std::size_t(second.size())));
        QVERIFY(take.writeReceived(second.constData(), 400));
        // Still open: what the header says is what a crash would leave.
        QCOMPARE(readTake(path("cut.wav")).frames, sf_count_t(8000));
    }

    void aTakeThatCannotBeMadeSaysWhy()
    {
        TakeFile take;
        QString error;
        QVERIFY(!take.create(path("missing/take.wav"), format(8000, 2, 16), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!take.isOpen());
        QVERIFY(!take.writeReceived("\0\0\0\0", 4));
    }
};

QTEST_GUILESS_MAIN(TakeFileTest)
#include "TakeFileTest.moc"
