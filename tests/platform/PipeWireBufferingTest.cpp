#include "platform/PulseAudioOutput.h"

#include <QTest>

// The playback stream's buffering on PipeWire's PulseAudio service, against a model of how
// that service pays the queue out: a whole quantum of its graph each cycle, a refill asked
// for once a refill's worth is missing, and a quantum of silence from a cycle that finds
// less than a quantum queued. No server is needed, and none would show the fault quickly:
// it takes a stall that begins just as a refill is asked for.
class PipeWireBufferingTest : public QObject
{
    Q_OBJECT

    using Buffering = PulseAudioOutput::Buffering;
    static constexpr int rate = PulseAudioOutput::outputRate;
    // The graph's default limit; a lone client asking for more gets this.
    static constexpr int longestQuantum = 2048;
    // A 100 ms stall of the whole program, and as much again as a busy machine was seen to
    // add before the program ran again.
    static constexpr double stallToBridgeMs = 100.0 + 50.0;

    static int frames(int ms) { return ms * rate / 1000; }
    static double ms(int frames) { return 1000.0 * frames / rate; }

    // How long after asking for a refill the service can wait for it before a cycle comes
    // up short: what is queued when it asks, in whole quanta, and the cycle after them.
    static double bridgedMs(int bufferMs, int refillMs, int quantum)
    {
        const int cyclesPerRefill = (frames(refillMs) + quantum - 1) / quantum;
        const int queuedWhenAsking = frames(bufferMs) - cyclesPerRefill * quantum;
        return ms((queuedWhenAsking / quantum + 1) * quantum);
    }

    static QList<int> bufferSteps(const Buffering &buffering)
    {
        QList<int> steps;
        for (int bufferMs = buffering.bufferMs; bufferMs <= buffering.ceilingMs; bufferMs += buffering.refillMs)
            steps.append(bufferMs);
        return steps;
    }

private slots:
    void aStallIsBridgedAtEveryQuantumAndEveryDepth()
    {
        const Buffering &buffering = PulseAudioOutput::pipeWireBuffering;
        for (const int quantum : {256, 512, 1024, longestQuantum}) {
            for (const int bufferMs : bufferSteps(buffering)) {
                const double bridged = bridgedMs(bufferMs, buffering.refillMs, quantum);
                QVERIFY2(bridged >= stallToBridgeMs,
                         qPrintable(QStringLiteral("quantum %1, buffer %2 ms: %3 ms bridged")
                                        .arg(quantum)
                                        .arg(bufferMs)
                                        .arg(bridged)));
            }
        }
    }

    void theSoundStaysPromptAndTheGraphKeepsItsLongestQuantum()
    {
        const Buffering &buffering = PulseAudioOutput::pipeWireBuffering;
        QVERIFY(!buffering.adjustLatency);
        // A slider change waits behind the whole queue and one cycle of the graph.
        QVERIFY(buffering.bufferMs + ms(longestQuantum) <= 250.0);
        // Without latency adjustment the service asks the graph for the queue less two refills.
        QVERIFY(frames(buffering.bufferMs - 2 * buffering.refillMs) >= longestQuantum);
    }

    void theModelFindsTheStallThatDroppedAQuantum()
    {
        // Refilled every second cycle, the same queue bridged only 128 ms.
        QCOMPARE(bridgedMs(200, 60, longestQuantum), ms(3 * longestQuantum));
        QVERIFY(bridgedMs(200, 60, longestQuantum) < stallToBridgeMs);
    }
};

QTEST_GUILESS_MAIN(PipeWireBufferingTest)
#include "PipeWireBufferingTest.moc"
