#include "recorder/EncodeFolder.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The folders where takes wait for the MP3 encoder: one that a process left behind when it
// ended mid-encoding is removed with its take before the next is written; one in use, and
// one that is not such a folder, stay.
class EncodeFolderTest : public QObject
{
    Q_OBJECT

    static bool writeFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    // What a lock holds when the process that took it has ended without letting it go.
    static QByteArray lockOfEndedProcess(const QString &scratch)
    {
        QProcess ended;
        ended.start(QStringLiteral("true"));
        if (!ended.waitForStarted())
            return {};
        const qint64 pid = ended.processId();
        ended.waitForFinished();
        QLockFile lock(scratch);
        if (!lock.tryLock())
            return {};
        QFile file(scratch);
        file.open(QIODevice::ReadOnly);
        QByteArray content = file.readAll();
        lock.unlock();
        return QByteArray::number(pid) + content.mid(content.indexOf('\n'));
    }

private slots:
    void onlyFoldersLeftByEndedProcessesAreRemoved()
    {
        QTemporaryDir base;
        const QDir folder(base.path());
        EncodeFolder inUse(base.path());
        QVERIFY(inUse.isValid());
        QVERIFY(writeFile(inUse.filePath(QStringLiteral("take.wav")), "RIFF"));
        QVERIFY(folder.mkpath(QStringLiteral("encode-left1/")) && folder.mkpath(QStringLiteral("encode-other")));
        const QByteArray ended = lockOfEndedProcess(folder.filePath(QStringLiteral("scratch.lock")));
        QVERIFY(!ended.isEmpty());
        QVERIFY(writeFile(folder.filePath(QStringLiteral("encode-left1/.lock")), ended));
        QVERIFY(writeFile(folder.filePath(QStringLiteral("encode-left1/take.wav")), "RIFF"));

        EncodeFolder::removeAbandoned(base.path());

        QVERIFY(!folder.exists(QStringLiteral("encode-left1")));
        QVERIFY(QFile::exists(inUse.filePath(QStringLiteral("take.wav"))));
        QVERIFY(folder.exists(QStringLiteral("encode-other")));
        QVERIFY(inUse.isValid());
    }
};

QTEST_GUILESS_MAIN(EncodeFolderTest)
#include "EncodeFolderTest.moc"
