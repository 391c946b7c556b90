#pragma once

#include "render/MixRenderer.h"
#include "render/MixSnapshot.h"
#include "render/RenderOptions.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

class SoundFileWriter;

// One render on a worker thread of its own, so that the window stays responsive and the
// console plays on.
//
// Contract: made, started, cancelled and destroyed on the UI thread. progressed() comes
// a few times a second and finished() once, both on the UI thread. Destroying a job that
// is still running cancels it and waits for the worker, which stops within one block.
class RenderJob : public QObject
{
    Q_OBJECT

public:
    RenderJob(MixSnapshot snapshot, RenderOptions options, std::unique_ptr<SoundFileWriter> writer,
              QObject *parent = nullptr);
    ~RenderJob() override;

    void start();
    void cancel();
    // Cancels and waits for the worker; finished() comes before this returns, unless it
    // came already.
    void stopAndWait();
    bool isRunning() const { return m_worker.joinable(); }
    const RenderOptions &options() const { return m_options; }

signals:
    // `fraction` of the work is done; `secondsLeft` is an estimate, negative while there
    // is too little to go on.
    void progressed(double fraction, double secondsLeft);
    void finished(const MixRenderer::Result &result);

private:
    void poll();
    void join();

    MixSnapshot m_snapshot;
    RenderOptions m_options;
    std::unique_ptr<SoundFileWriter> m_writer;
    std::atomic<bool> m_cancel{false};
    std::atomic<qint64> m_done{0};
    std::atomic<qint64> m_total{1};
    std::atomic<bool> m_over{false};
    MixRenderer::Result m_result;
    std::thread m_worker;
    QTimer m_poll;
    qint64 m_startedMs = 0;
};
