#include "platform/TakeWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

namespace {

CaptureFormat format(int channels, int bits)
{
    const int frameBytes = channels * bits / 8;
    return {8000, channels, bits, frameBytes, 8000 * frameBytes};
}

QByteArray soundIn(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    QByteArray sound(1 << 20, '\0');
    sound.resize(sf_read_raw(file, sound.data(), sound.size()));
    sf_close(file);
    return sound;
}

}

// The take written on a thread of its own: everything queued reaches the file by the
// time it is finished, in order, and a queue the disk cannot keep up with breaks off.
class TakeWriterTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void whatIsQueuedIsWrittenInOrder_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<char>("silence");
        QTest::newRow("16-bit stereo") << 2 << 16 << '\0';
        QTest::newRow("16-bit mono") << 1 << 16 << '\0';
        QTest::newRow("8-bit mono rests mid-range") << 1 << 8 << '\x80';
    }

    void whatIsQueuedIsWrittenInOrder()
    {
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(char, silence);
        const QString path = m_dir.filePath(QStringLiteral("take.wav"));
        int failures = 0;
        TakeWriter writer([&](const QString &) { ++failures; });
        QString error;
        QVERIFY2(writer.start(path, format(channels, bits), &error), qPrintable(error));
        // Sound, a hole and sound again, each a second of received stereo frames.
        const std::size_t second = 8000 * 2 * std::size_t(bits) / 8;
        const QByteArray sound(int(second), '\x40');
        QVERIFY(writer.push(sound.constData(), second));
        QVERIFY(writer.pushSilence(second));
        QVERIFY(writer.push(sound.constData(), second));
        writer.finish();
        QCOMPARE(failures, 0);
        const int takeSecond = 8000 * channels * bits / 8;
        const QByteArray expected = QByteArray(takeSecond, '\x40') + QByteArray(takeSecond, silence)
                                  + QByteArray(takeSecond, '\x40');
        QCOMPARE(writer.bytesWritten(), qint64(expected.size()));
        QCOMPARE(soundIn(path), expected);
        QVERIFY(!writer.push(sound.constData(), 4));
    }

    void moreThanTheQueueHoldsBreaksTheTakeOff()
    {
        const QString path = m_dir.filePath(QStringLiteral("behind.wav"));
        QStringList reasons;
        TakeWriter writer([&](const QString &why) { reasons.append(why); });
        QString error;
        QVERIFY2(writer.start(path, format(2, 16), &error), qPrintable(error));
        const QByteArray tooMuch((TakeWriter::queueSeconds + 1) * 8000 * 4, '\x01');
        QVERIFY(!writer.push(tooMuch.constData(), std::size_t(tooMuch.size())));
        writer.finish();
        QCOMPARE(reasons.size(), 1);
        QVERIFY2(reasons.first().contains(QStringLiteral("behind")), qPrintable(reasons.first()));
        QVERIFY(!writer.push(tooMuch.constData(), 4));
    }
};

QTEST_GUILESS_MAIN(TakeWriterTest)
#include "TakeWriterTest.moc"
