// Measures one status tick of the recorder: the length query and the size readout.
// Target: well under 0.1 ms, so a 19 ms tick never competes with the window.
#include "platform/SystemClock.h"
#include "platform/windows/QtUserMessages.h"
#include "recorder/RecorderController.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

// A device that answers at once with a growing length, as a recording device does.
class CountingDevice final : public CaptureDevice
{
public:
    bool open() override { return true; }
    bool setFormat(const CaptureFormat &) override { return true; }
    bool record() override { return true; }
    bool stop() override { return true; }
    std::optional<qint64> lengthInBytes() const override { return m_length += 837; }
    bool save(const QString &, QString *) override { return true; }
    void close() override {}
    void closeAll() override {}
    bool keepTake() override { return false; }
    std::optional<LeftTake> leftTake() const override { return std::nullopt; }
    bool recoverLeftTake() override { return false; }
    void removeLeftTakes() override {}
    void setSourceName(const QString &) override {}

private:
    mutable qint64 m_length = 0;
};

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    CountingDevice device;
    QtUserMessages messages;
    SystemClock clock;
    RecorderController controller(device, messages, clock);
    controller.load(std::nullopt);
    controller.recordNow();

    constexpr int ticks = 200000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < ticks; ++i)
        controller.statusTick();
    const double perTickMs = double(timer.nsecsElapsed()) / 1e6 / ticks;

    std::printf("status tick: %.5f ms per tick over %d ticks (target under 0.1 ms) -> %s\n", perTickMs,
                ticks, perTickMs < 0.1 ? "ok" : "TOO SLOW");
    std::printf("last readout: %s", qPrintable(controller.view().sizeText));
    return perTickMs < 0.1 ? 0 : 1;
}
