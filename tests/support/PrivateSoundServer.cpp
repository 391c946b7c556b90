#include "PrivateSoundServer.h"

#include <QDir>
#include <QProcess>

PrivateSoundServer::PrivateSoundServer(QString sink)
    : m_sink(std::move(sink))
    , m_previousServer(qgetenv("PULSE_SERVER"))
{
}

PrivateSoundServer::~PrivateSoundServer()
{
    stop();
    qputenv("PULSE_SERVER", m_previousServer);
}

QString PrivateSoundServer::kind()
{
    const QString named = qEnvironmentVariable("SONIVALE_TEST_SERVER");
    return named.isEmpty() ? QStringLiteral("pulseaudio") : named;
}

bool PrivateSoundServer::start()
{
    QByteArray address;
    const QString runtime = QDir(m_runtime.path()).filePath(QStringLiteral("server"));
    if (!m_runtime.isValid() || !runScript({QStringLiteral("start"), kind(), runtime, m_sink}, &address))
        return false;
    m_started = true;
    qputenv("PULSE_SERVER", address.trimmed());
    return true;
}

void PrivateSoundServer::stop()
{
    if (!m_started)
        return;
    runScript({QStringLiteral("stop"), QDir(m_runtime.path()).filePath(QStringLiteral("server"))});
    m_started = false;
}

bool PrivateSoundServer::runScript(const QStringList &arguments, QByteArray *output) const
{
    const QString script = QDir(qEnvironmentVariable("SONIVALE_SOURCE_DIR")).filePath(QStringLiteral("scripts/sound-server.sh"));
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("bash"), QStringList{script} + arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}
