#include "recorder/RecorderSettings.h"

#include "BadFiles.h"
#include "recorder/QualityTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class RecorderSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void formatIsByteExact();
    void formatIgnoresLocale();
    void parsesWhatItWrites();
    void badFieldsAreEmpty();
    void missingMeasuresReadAsZero();
    void readsFirstLineOnly();
    void missingFileGivesNothing();
    void specialAndHugeFilesAreRefusedUnread_data();
    void specialAndHugeFilesAreRefusedUnread();
    void writeReplacesWholeOrNotAtAll();
    void qualityTable_data();
    void qualityTable();
    void unknownQualityIsIncomplete();
};

namespace {

RecorderSettings sample()
{
    RecorderSettings s;
    s.stopAtSize = 1;
    s.stopAtLength = 0;
    s.targetSize = 700;
    s.targetLength = 70;
    s.qualityIndex = 7;
    s.height = 5025;
    s.left = -150;
    s.top = 2437.5;
    s.mp3Chosen = false;
    s.wavChosen = true;
    s.sourceLine = -1;
    return s;
}

}

void RecorderSettingsTest::formatIsByteExact()
{
    QCOMPARE(sample().format(), QByteArray("1,0,700,70,7,5025,-150,2437.5,#FALSE#,#TRUE#,-1\r\n"));
}

void RecorderSettingsTest::formatIgnoresLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(sample().format(), QByteArray("1,0,700,70,7,5025,-150,2437.5,#FALSE#,#TRUE#,-1\r\n"));
    const RecorderSettings parsed = RecorderSettings::parse("0,0,1,1,0,2150.5,0,0,#TRUE#,#FALSE#,0\r\n");
    QCOMPARE(parsed.height, 2150.5);
    QLocale::setDefault(QLocale::c());
}

void RecorderSettingsTest::parsesWhatItWrites()
{
    const RecorderSettings s = RecorderSettings::parse(sample().format());
    QCOMPARE(s.stopAtSize, 1);
    QCOMPARE(s.stopAtLength, 0);
    QCOMPARE(s.targetSize, 700);
    QCOMPARE(s.targetLength, 70);
    QCOMPARE(s.qualityIndex, 7);
    QCOMPARE(s.height, 5025.0);
    QCOMPARE(s.left, -150.0);
    QCOMPARE(s.top, 2437.5);
    QCOMPARE(s.mp3Chosen, false);
    QCOMPARE(s.wavChosen, true);
    QCOMPARE(s.sourceLine, -1);
    QVERIFY(!s.sourceName);

    // A chosen source is a twelfth field, safe for any name the server gives.
    RecorderSettings chosen = sample();
    chosen.sourceName = QStringLiteral("alsa_input.usb-Mic,1 \u00e4.monitor");
    const QByteArray line = chosen.format();
    QCOMPARE(line.count(','), 11);
    QVERIFY(line.startsWith("1,0,700,70,7,5025,-150,2437.5,#FALSE#,#TRUE#,-1,alsa_input.usb-Mic"));
    QCOMPARE(RecorderSettings::parse(line).sourceName, chosen.sourceName);
}

void RecorderSettingsTest::badFieldsAreEmpty()
{
    const RecorderSettings s = RecorderSettings::parse("a,1.5,,70,7,tall,15,30,yes,#true#,x\r\n");
    QVERIFY(!s.stopAtSize);
    QVERIFY(!s.stopAtLength);
    QVERIFY(!s.targetSize);
    QCOMPARE(s.targetLength, 70);
    QCOMPARE(s.qualityIndex, 7);
    QVERIFY(!s.height);
    QCOMPARE(s.left, 15.0);
    QCOMPARE(s.top, 30.0);
    QVERIFY(!s.mp3Chosen);
    QCOMPARE(s.wavChosen, true);
    QVERIFY(!s.sourceLine);
}

void RecorderSettingsTest::missingMeasuresReadAsZero()
{
    const RecorderSettings s = RecorderSettings::parse("1,1,50");
    QCOMPARE(s.targetSize, 50);
    QVERIFY(!s.targetLength);
    QVERIFY(!s.qualityIndex);
    QCOMPARE(s.height, 0.0);
    QCOMPARE(s.left, 0.0);
    QCOMPARE(s.top, 0.0);
    QVERIFY(!s.mp3Chosen);
    QVERIFY(!s.sourceLine);
}

void RecorderSettingsTest::readsFirstLineOnly()
{
    const RecorderSettings s = RecorderSettings::parse("0,1\r\n1,0,5,5,5,5,5,5,#TRUE#,#TRUE#,5\r\n");
    QCOMPARE(s.stopAtLength, 1);
    QVERIFY(!s.targetSize);
}

void RecorderSettingsTest::missingFileGivesNothing()
{
    QTemporaryDir dir;
    QVERIFY(!RecorderSettings::read(dir.filePath(QStringLiteral("settings9.txt"))));
    QString problem;
    QVERIFY(!RecorderSettings::read(dir.filePath(QStringLiteral("settings9.txt")), &problem));
    QVERIFY(problem.isEmpty());
}

void RecorderSettingsTest::specialAndHugeFilesAreRefusedUnread_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("FIFO") << QByteArray("<fifo>") << "not a regular file but a FIFO";
    QTest::newRow("link to /dev/zero") << QByteArray("<zero>") << "not a regular file but a device";
    QTest::newRow("100 MB") << QByteArray("<huge>") << "holds 100000000 bytes, more than the 4096";
    QTest::newRow("link loop") << QByteArray("<loop>") << "could not be read (Too many levels of symbolic links)";
}

// None of these may block, spin or allocate without bound; each is reported, not read.
void RecorderSettingsTest::specialAndHugeFilesAreRefusedUnread()
{
    QFETCH(QByteArray, kind);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings9.txt"));
    QVERIFY(BadFiles::makeAt(path, kind, RecorderSettings().format()));
    QString problem;
    QVERIFY(!RecorderSettings::read(path, &problem));
    QVERIFY2(problem.contains(expected), qPrintable(problem));
}

void RecorderSettingsTest::writeReplacesWholeOrNotAtAll()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings9.txt"));
    QString error;
    QVERIFY(sample().write(path, &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), sample().format());
    QCOMPARE(RecorderSettings::read(path)->top, 2437.5);

    const QString blocked = dir.filePath(QStringLiteral("missing/settings9.txt"));
    QVERIFY(!sample().write(blocked, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(blocked));
}

void RecorderSettingsTest::qualityTable_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("bytesPerSecond");
    const int rows[16][5] = {
        {8000, 1, 8, 1, 8000}, {8000, 2, 8, 2, 16000}, {8000, 1, 16, 2, 16000}, {8000, 2, 16, 4, 32000},
        {11025, 1, 8, 1, 11025}, {11025, 2, 8, 2, 22050}, {11025, 1, 16, 2, 22050}, {11025, 2, 16, 4, 44100},
        {22050, 1, 8, 1, 22050}, {22050, 2, 8, 2, 44100}, {22050, 1, 16, 2, 44100}, {22050, 2, 16, 4, 88200},
        {44100, 1, 8, 1, 44100}, {44100, 2, 8, 2, 88200}, {44100, 1, 16, 2, 88200}, {44100, 2, 16, 4, 176400}};
    for (int i = 0; i < 16; ++i)
        QTest::addRow("entry %d", i + 1) << i << rows[i][0] << rows[i][1] << rows[i][2] << rows[i][3] << rows[i][4];
}

void RecorderSettingsTest::qualityTable()
{
    QFETCH(int, index);
    const CaptureFormat format = QualityTable::formatFor(QualityTable::texts().at(index));
    QTEST(format.samplesPerSecond, "rate");
    QTEST(format.channels, "channels");
    QTEST(format.bitsPerSample, "bits");
    QTEST(format.alignment, "alignment");
    QTEST(format.bytesPerSecond, "bytesPerSecond");
}

void RecorderSettingsTest::unknownQualityIsIncomplete()
{
    QCOMPARE(QualityTable::texts().at(7), QStringLiteral("11.025kHz, 16bit Stereo, 43k/sec"));
    QCOMPARE(QualityTable::texts().at(8), QStringLiteral("22.050Hz, 8bit Mono, 21k/sec"));
    const CaptureFormat format = QualityTable::formatFor(QStringLiteral("22.050kHz, 8bit Mono, 21k/sec"));
    QVERIFY(!format.isComplete());
    QCOMPARE(format.alignment, 0);
    QCOMPARE(format.bytesPerSecond, 0);
}

QTEST_GUILESS_MAIN(RecorderSettingsTest)
#include "RecorderSettingsTest.moc"
