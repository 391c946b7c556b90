#include "FakeAudioSinks.h"

#include "output/SinkChoice.h"
#include "platform/AudioOutput.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Keeps every sink it is told to play on.
class RoutedOutput final : public AudioOutput
{
public:
    bool start(AudioRenderer *) override { return true; }
    void stop() override {}
    int sampleRate() const override { return 48000; }
    bool isConnected() const override { return true; }

    QStringList m_routes;

protected:
    void applySink(const QString &name) override { m_routes.append(name); }
};

// "a=Speakers,b=Headset" lists sinks a and b with those descriptions.
std::vector<AudioSink> sinksOf(const QString &list)
{
    std::vector<AudioSink> sinks;
    for (const QString &sink : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        sinks.push_back({sink.section(QLatin1Char('='), 0, 0), sink.section(QLatin1Char('='), 1)});
    return sinks;
}

// The entries as captions, the checked one marked with a leading "*".
QStringList shown(const SinkChoice &choice)
{
    QStringList captions;
    for (const SinkChoice::Entry &entry : choice.entries())
        captions.append((entry.checked ? QStringLiteral("*") : QString()) + entry.caption);
    return captions;
}

}

class SinkChoiceTest : public QObject
{
    Q_OBJECT

private slots:
    // Each step is "list:<sinks>", "unlist" (the server lost) or "choose:<name>"; every
    // step tells the output where to play again, so that a stream the server moved returns.
    void theChoiceIsKeptAndFollowed_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("routes");
        QTest::addColumn<QStringList>("entries");
        const QString byDefault = SinkChoice::defaultCaption();
        const QString ab = QStringLiteral("list:a=Speakers,b=Headset");
        const QString a = QStringLiteral("list:a=Speakers");

        QTest::newRow("the default at the start") << QString() << QStringList{} << QStringList{QString()}
                                                  << QStringList{"*" + byDefault};
        QTest::newRow("a chosen sink is tried before the list comes")
            << "b" << QStringList{} << QStringList{"b"} << QStringList{byDefault, "*b"};
        QTest::newRow("the sinks by description, the default first")
            << QString() << QStringList{ab} << QStringList{QString(), QString()}
            << QStringList{"*" + byDefault, "Speakers", "Headset"};
        QTest::newRow("a chosen sink that is there")
            << "b" << QStringList{ab} << QStringList{"b", "b"} << QStringList{byDefault, "Speakers", "*Headset"};
        QTest::newRow("it goes: the default plays, the choice is shown absent")
            << "b" << QStringList{ab, a} << QStringList{"b", "b", QString()}
            << QStringList{byDefault, "Speakers", "*Headset (absent)"};
        QTest::newRow("it comes back")
            << "b" << QStringList{ab, a, ab} << QStringList{"b", "b", QString(), "b"}
            << QStringList{byDefault, "Speakers", "*Headset"};
        QTest::newRow("absent from the start, shown by its name")
            << "b" << QStringList{a} << QStringList{"b", QString()} << QStringList{byDefault, "Speakers", "*b (absent)"};
        QTest::newRow("the server lost: the choice stays for its return")
            << "b" << QStringList{ab, "unlist"} << QStringList{"b", "b", "b"} << QStringList{byDefault, "*Headset"};
        QTest::newRow("the default chosen again")
            << "b" << QStringList{ab, "choose:"} << QStringList{"b", "b", QString()}
            << QStringList{"*" + byDefault, "Speakers", "Headset"};
        QTest::newRow("another sink chosen")
            << QString() << QStringList{ab, "choose:a"} << QStringList{QString(), QString(), "a"}
            << QStringList{byDefault, "*Speakers", "Headset"};
        QTest::newRow("an absent sink chosen is kept")
            << QString() << QStringList{a, "choose:b"} << QStringList{QString(), QString(), QString()}
            << QStringList{byDefault, "Speakers", "*b (absent)"};
        QTest::newRow("two alike are told apart by name")
            << "b" << QStringList{"list:a=USB Audio,b=USB Audio"} << QStringList{"b", "b"}
            << QStringList{byDefault, "USB Audio (a)", "*USB Audio (b)"};
    }

    void theChoiceIsKeptAndFollowed()
    {
        QFETCH(QString, remembered);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, routes);
        QFETCH(QStringList, entries);
        FakeAudioSinks sinks;
        RoutedOutput output;
        SinkChoice choice(sinks, output, remembered);
        for (const QString &step : steps) {
            const QString argument = step.section(QLatin1Char(':'), 1);
            if (step.startsWith(QLatin1String("list:")))
                sinks.list(sinksOf(argument));
            else if (step == QLatin1String("unlist"))
                sinks.unlist();
            else
                choice.choose(argument);
        }
        QCOMPARE(output.m_routes, routes);
        QCOMPARE(shown(choice), entries);
        QCOMPARE(output.sink(), routes.last());
    }

    // Only a new choice is to be remembered; the entries follow every change.
    void aNewChoiceIsToldOnce()
    {
        FakeAudioSinks sinks;
        RoutedOutput output;
        SinkChoice choice(sinks, output, QString());
        QSignalSpy chosen(&choice, &SinkChoice::chosenChanged);
        QSignalSpy entries(&choice, &SinkChoice::entriesChanged);
        sinks.list(sinksOf(QStringLiteral("a=Speakers")));
        choice.choose(QStringLiteral("a"));
        choice.choose(QStringLiteral("a"));
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toString(), QStringLiteral("a"));
        QCOMPARE(entries.count(), 2);
        QCOMPARE(choice.chosen(), QStringLiteral("a"));
    }
};

QTEST_GUILESS_MAIN(SinkChoiceTest)
#include "SinkChoiceTest.moc"
