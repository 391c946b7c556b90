// Which channels play their sound live: those whose file is still the one the manifest lists;
// a file the user put in its place, or a folder without a manifest, plays as it is.

#include "TestSounds.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelTable.h"
#include "engine/SoundEngine.h"
#include "platform/OfflineAudioOutput.h"
#include "synth/SoundFingerprint.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class ShippedSoundsTest : public QObject
{
    Q_OBJECT

private slots:
    void playsLiveOnlyWhatWasShipped_data();
    void playsLiveOnlyWhatWasShipped();
};

void ShippedSoundsTest::playsLiveOnlyWhatWasShipped_data()
{
    QTest::addColumn<bool>("manifest");
    QTest::addColumn<bool>("replaceRain");
    QTest::addColumn<bool>("rainLive");
    QTest::addColumn<bool>("windLive");
    QTest::newRow("shipped") << true << false << true << true;
    QTest::newRow("rain replaced by the user") << true << true << false << true;
    QTest::newRow("no manifest") << false << false << false << false;
}

void ShippedSoundsTest::playsLiveOnlyWhatWasShipped()
{
    QFETCH(bool, manifest);
    QFETCH(bool, replaceRain);
    QFETCH(bool, rainLive);
    QFETCH(bool, windLive);
    QTemporaryDir folder;
    QVERIFY(TestSounds::writeChannelSounds(folder.path(), [](int) { return 22050; }));
    // Here the test's own files stand for the shipped ones.
    if (manifest) {
        QFile list(folder.filePath(QString::fromLatin1(SoundFingerprint::manifestName)));
        QVERIFY(list.open(QIODevice::WriteOnly));
        for (const ChannelInfo &channel : ChannelTable::channels()) {
            const QString path = ChannelTable::soundFilePath(folder.path(), channel.soundFile);
            list.write(ChannelTable::soundFileName(channel.soundFile).toUtf8() + ' '
                       + QByteArray::fromStdString(SoundFingerprint::of(QFile::encodeName(path).toStdString())) + '\n');
        }
    }
    const QString rain = ChannelTable::soundFilePath(folder.path(), ChannelTable::channel(6).soundFile);
    if (replaceRain)
        QVERIFY(TestSounds::writeSine(rain, 44100, 44100, 300.0, 0.3));

    OfflineAudioOutput output;
    SoundEngine engine(output);
    QVERIFY(engine.loadChannelSounds(folder.path()).isEmpty());
    QCOMPARE(engine.buffer(6)->sound().isLive(), rainLive);
    QCOMPARE(engine.buffer(7)->sound().isLive(), windLive);
    // A file played as it is keeps its own rate.
    QCOMPARE(engine.buffer(6)->frequency(), replaceRain ? 44100 : 22050);
}

QTEST_GUILESS_MAIN(ShippedSoundsTest)
#include "ShippedSoundsTest.moc"
