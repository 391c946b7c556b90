#include "PrivateSoundServer.h"
#include "PulseTestTools.h"

#include "platform/PulseConnection.h"

#include <pulse/context.h>
#include <pulse/introspect.h>

#include <QStringList>
#include <QTest>
#include <QThread>

#include <atomic>
#include <mutex>

using namespace PulseTestTools;

namespace {

// A client that notes what it is told, and on which thread, under a mutex of its own:
// the test reads while the loop writes.
class NotingClient : public PulseConnection::Client
{
public:
    explicit NotingClient(pa_subscription_mask_t mask = PA_SUBSCRIPTION_MASK_NULL)
        : m_mask(mask)
    {
    }

    QStringList heard() const
    {
        std::lock_guard lock(m_mutex);
        return m_heard;
    }
    bool toldOnTheUiThread() const { return m_onUiThread.load(); }

    // Asks the server for its name; the answer is noted as "answer".
    void ask(PulseConnection &connection)
    {
        PulseConnection::Lock lock(connection);
        request(pa_context_get_server_info(connection.context(), &answered, this));
    }

    void connectionReady(pa_context *) override { note(QStringLiteral("ready")); }
    void connectionLost() override { note(QStringLiteral("lost")); }
    void serverEvent(pa_context *, pa_subscription_event_type_t type, std::uint32_t) override
    {
        if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SINK
            && (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_NEW)
            note(QStringLiteral("new sink"));
    }
    pa_subscription_mask_t subscriptions() const override { return m_mask; }

private:
    static void answered(pa_context *, const pa_server_info *, void *self)
    {
        static_cast<NotingClient *>(self)->note(QStringLiteral("answer"));
    }

    void note(const QString &what)
    {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            m_onUiThread = true;
        std::lock_guard lock(m_mutex);
        m_heard.append(what);
    }

    pa_subscription_mask_t m_mask;
    mutable std::mutex m_mutex;
    QStringList m_heard;
    std::atomic<bool> m_onUiThread{false};
};

}

// The one connection that every part of the program shares: each client hears of the
// server on the loop thread, in order, only the events it asked for, and nothing once
// it has gone.
class PulseConnectionPulseTest : public QObject
{
    Q_OBJECT

    static constexpr int waitMs = 8000;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs a sound server (scripts/run-tests.sh)");
    }

    void clientsHearOfTheServerInOrderAcrossARestart()
    {
        PrivateSoundServer server(QStringLiteral("sonivale_shared_sink"));
        QVERIFY(server.start());
        PulseConnection connection;
        NotingClient early;
        connection.attach(early);
        QVERIFY(connection.start());
        QVERIFY(connection.waitUntilSettled(waitMs));
        // One that comes later is told too, as soon as it attaches.
        NotingClient late;
        connection.attach(late);
        QTRY_COMPARE_WITH_TIMEOUT(late.heard(), QStringList{QStringLiteral("ready")}, waitMs);

        server.stop();
        QVERIFY(server.start());
        const QStringList restarted{QStringLiteral("ready"), QStringLiteral("lost"), QStringLiteral("ready")};
        QTRY_COMPARE_WITH_TIMEOUT(early.heard(), restarted, waitMs);
        QTRY_COMPARE_WITH_TIMEOUT(late.heard(), restarted, waitMs);
        QVERIFY(!early.toldOnTheUiThread() && !late.toldOnTheUiThread());
        connection.detach(late);
        connection.detach(early);
    }

    void eventsReachOnlyTheClientsThatAskForThem()
    {
        PulseConnection connection;
        NotingClient sinks(PA_SUBSCRIPTION_MASK_SINK);
        NotingClient none;
        connection.attach(none);
        connection.attach(sinks);
        QVERIFY(connection.start());
        QTRY_COMPARE_WITH_TIMEOUT(sinks.heard().size(), 1, waitMs);
        const QString module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                      QStringLiteral("sink_name=sonivale_event_sink")}).trimmed();
        QVERIFY(!module.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(sinks.heard().contains(QStringLiteral("new sink")), waitMs);
        pactl({QStringLiteral("unload-module"), module});
        QCOMPARE(none.heard(), QStringList{QStringLiteral("ready")});
        connection.detach(sinks);
        connection.detach(none);
    }

    void aDetachedClientGetsNoAnswer()
    {
        PulseConnection connection;
        NotingClient gone;
        NotingClient staying;
        connection.attach(gone);
        connection.attach(staying);
        QVERIFY(connection.start());
        QVERIFY(connection.waitUntilSettled(waitMs));
        {
            // Held from the question to the detaching (the loop's lock may be taken again
            // by its holder), so that the answer cannot come in between.
            PulseConnection::Lock hold(connection);
            gone.ask(connection);
            connection.detach(gone);
        }
        staying.ask(connection);
        // The server answers in order: once the later question is answered, so was the
        // earlier one, had it not been given up.
        QTRY_VERIFY_WITH_TIMEOUT(staying.heard().contains(QStringLiteral("answer")), waitMs);
        QVERIFY(!gone.heard().contains(QStringLiteral("answer")));
        connection.detach(staying);
    }
};

QTEST_GUILESS_MAIN(PulseConnectionPulseTest)
#include "PulseConnectionPulseTest.moc"
