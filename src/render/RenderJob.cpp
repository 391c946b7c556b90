#include "render/RenderJob.h"

#include "render/SoundFileWriter.h"

#include <QDateTime>

RenderJob::RenderJob(MixSnapshot snapshot, RenderOptions options, std::unique_ptr<SoundFileWriter> writer,
                     QObject *parent)
    : QObject(parent)
    , m_snapshot(std::move(snapshot))
    , m_options(std::move(options))
    , m_writer(std::move(writer))
{
    m_poll.setInterval(200);
    connect(&m_poll, &QTimer::timeout, this, &RenderJob::poll);
}

RenderJob::~RenderJob()
{
    cancel();
    join();
}

void RenderJob::start()
{
    if (m_worker.joinable())
        return;
    m_startedMs = QDateTime::currentMSecsSinceEpoch();
    m_worker = std::thread([this] {
        m_result = MixRenderer::render(m_snapshot, m_options, *m_writer, m_cancel, [this](qint64 done, qint64 total) {
            m_total.store(total, std::memory_order_relaxed);
            m_done.store(done, std::memory_order_relaxed);
        });
        m_over.store(true, std::memory_order_release);
    });
    m_poll.start();
}

void RenderJob::cancel()
{
    m_cancel.store(true, std::memory_order_relaxed);
}

void RenderJob::stopAndWait()
{
    cancel();
    if (!m_worker.joinable())
        return;
    join();
    emit finished(m_result);
}

void RenderJob::join()
{
    if (m_worker.joinable())
        m_worker.join();
    m_poll.stop();
}

void RenderJob::poll()
{
    if (m_over.load(std::memory_order_acquire)) {
        join();
        emit finished(m_result);
        return;
    }
    const double fraction = static_cast<double>(m_done.load(std::memory_order_relaxed))
                            / static_cast<double>(std::max<qint64>(1, m_total.load(std::memory_order_relaxed)));
    const double elapsed = static_cast<double>(QDateTime::currentMSecsSinceEpoch() - m_startedMs) / 1000.0;
    const double left = fraction > 0.01 && elapsed > 0.5 ? elapsed * (1.0 - fraction) / fraction : -1.0;
    emit progressed(fraction, left);
}
