#include "platform/StderrMessages.h"

#include <QTest>

#include <cstdio>

// The messages of the program without a display, as the journal gets them.
class StderrMessagesTest : public QObject
{
    Q_OBJECT

private slots:
    void eachMessageIsOneLineAndNoQuestionIsAnsweredYes()
    {
        std::FILE *stream = std::tmpfile();
        QVERIFY(stream);
        StderrMessages messages(stream);
        using Tone = UserMessages::Tone;
        messages.inform(nullptr, QStringLiteral("Couldn't open the mixer."));
        messages.warn(nullptr, QStringLiteral("These sound files are missing:\n\nrain.Wav\nfan.Wav\n"));
        messages.showWithoutWaiting(nullptr, Tone::Warning, QStringLiteral("The mix was not loaded."));
        messages.showWithoutWaiting(nullptr, Tone::Information, QStringLiteral("Done."));
        QVERIFY(!messages.ask(nullptr, QStringLiteral("Replace it?")));
        QCOMPARE(messages.askToSave(nullptr, QStringLiteral("Keep the take?")), UserMessages::SaveChoice::GoBack);

        std::rewind(stream);
        QByteArray written(4096, '\0');
        written.truncate(qsizetype(std::fread(written.data(), 1, std::size_t(written.size()), stream)));
        std::fclose(stream);
        const QStringList lines = QString::fromLocal8Bit(written).split(QLatin1Char('\n'));
        QCOMPARE(lines, (QStringList{"Couldn't open the mixer.", "Warning: These sound files are missing: rain.Wav fan.Wav",
                                     "Warning: The mix was not loaded.", "Done.",
                                     "Replace it? (Nobody can answer without a display: no.)", ""}));
    }
};

QTEST_GUILESS_MAIN(StderrMessagesTest)
#include "StderrMessagesTest.moc"
