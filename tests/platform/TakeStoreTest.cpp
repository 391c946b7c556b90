#include "platform/TakeFile.h"
#include "platform/TakeStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Takes kept on disk between runs, each run a store on the same root.
class TakeStoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;

    static bool writeTake(const TakeStore &store, int bytes)
    {
        TakeFile take;
        QString error;
        if (!take.create(store.takePath(), {8000, 2, 16, 4, 32000}, &error))
            return false;
        const QByteArray sound(bytes, '\x02');
        return take.writeReceived(sound.constData(), std::size_t(sound.size()));
    }

    int folders() const { return int(QDir(m_root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

private slots:
    void cleanup()
    {
        TakeStore(m_root.path()).removeLeftTakes();
    }

    void aKeptTakeIsOfferedOnceAndRecovered()
    {
        {
            TakeStore ended(m_root.path());
            QVERIFY(ended.open());
            QVERIFY(writeTake(ended, 4000));
            ended.keep();
            QVERIFY(!ended.isOpen());
        }
        TakeStore next(m_root.path());
        QVERIFY(next.open());
        const std::optional<LeftTake> left = next.leftTake();
        QVERIFY(left.has_value());
        QCOMPARE(left->bytes, qint64(4000));
        const std::optional<LeftTake> recovered = next.recoverLeftTake();
        QVERIFY(recovered.has_value());
        QCOMPARE(recovered->filePath, next.takePath());
        QVERIFY(QFile::exists(next.takePath()));
        QVERIFY(!next.leftTake().has_value());
        next.close();
        QVERIFY(!QFile::exists(recovered->filePath));
    }

    // Only a folder that a run left with sound in it is a left take.
    void whatIsHeldOrSilentIsNoLeftTake_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("offered");
        QTest::newRow("kept with sound") << 4000 << true << true;
        QTest::newRow("held by a running store") << 4000 << false << false;
        QTest::newRow("kept without sound") << 0 << true << false;
    }

    void whatIsHeldOrSilentIsNoLeftTake()
    {
        QFETCH(int, bytes);
        QFETCH(bool, kept);
        QFETCH(bool, offered);
        TakeStore earlier(m_root.path());
        QVERIFY(earlier.open());
        QVERIFY(writeTake(earlier, bytes));
        if (kept)
            earlier.keep();
        TakeStore now(m_root.path());
        QCOMPARE(now.leftTake().has_value(), offered);
        now.removeLeftTakes();
        // A folder still held survives the clearing up.
        QCOMPARE(folders(), kept ? 0 : 1);
    }

    void aSavedTakeIsWholeOrNotThere_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("saved");
        QTest::newRow("a new file") << QStringLiteral("new.wav") << true;
        QTest::newRow("over an old file") << QStringLiteral("old.wav") << true;
        QTest::newRow("into a missing folder") << QStringLiteral("missing/take.wav") << false;
    }

    void aSavedTakeIsWholeOrNotThere()
    {
        QFETCH(QString, target);
        QFETCH(bool, saved);
        QTemporaryDir out;
        const QString to = out.filePath(target);
        QFile old(out.filePath(QStringLiteral("old.wav")));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        TakeStore store(m_root.path());
        QVERIFY(store.open());
        QVERIFY(writeTake(store, 4000));
        QString error;
        QCOMPARE(TakeStore::save(store.takePath(), to, &error), saved);
        QCOMPARE(error.isEmpty(), saved);
        QCOMPARE(QFile::exists(to), saved);
        if (saved) {
            QFile a(store.takePath()), b(to);
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QCOMPARE(b.readAll(), a.readAll());
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), saved && target != QLatin1String("old.wav") ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(TakeStoreTest)
#include "TakeStoreTest.moc"
