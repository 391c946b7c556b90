#include "recorder/RecorderController.h"

#include "platform/Clock.h"
#include "platform/UserMessages.h"
#include "recorder/QualityTable.h"

#include <QTime>
#include <QWidget>

#include <algorithm>

namespace {

constexpr qint64 secondsPerDay = 24 * 60 * 60;
constexpr double bytesPerMegabyte = 1000000.0;

const QString recordingText = QStringLiteral("RECORDING");
const QString stoppedText = QStringLiteral("RESET/TEST");

QString clockFace(qint64 seconds)
{
    const qint64 wrapped = std::max<qint64>(seconds, 0) % secondsPerDay;
    return QTime(0, 0).addSecs(int(wrapped)).toString(QStringLiteral("hh:mm:ss"));
}

}

RecorderController::RecorderController(CaptureDevice &device, UserMessages &messages,
                                       const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_device(device)
    , m_messages(messages)
    , m_clock(clock)
{
    // The readout is read back as a number, so it must not carry group separators.
    m_locale.setNumberOptions(m_locale.numberOptions() | QLocale::OmitGroupSeparator);
    connect(&m_device, &CaptureDevice::failed, this, &RecorderController::captureFailed);
}

double RecorderController::currentMegabytes() const
{
    bool ok = false;
    const double value = m_locale.toDouble(m_view.sizeText.section(QStringLiteral("\r\n"), 0, 0), &ok);
    return ok ? value : 0.0;
}

void RecorderController::setDialogParent(QWidget *parent)
{
    m_dialogParent = parent;
}

void RecorderController::load(const std::optional<RecorderSettings> &saved)
{
    m_view = View{};
    m_view.qualityIndex = QualityTable::defaultIndex;
    m_elapsedTicks = 0;
    m_startTime = QDateTime();
    m_saved = false;
    if (saved)
        applySaved(*saved);
    m_view.resetEnabled = false;
    m_view.saveEnabled = false;
    m_view.clockTickOn = false;
    m_view.targetSizeText = QString::number(m_view.targetSize);
    m_view.targetLengthText = QString::number(m_view.targetLength);
    m_device.closeAll();
    m_device.open();
    offerLeftTake();
    emit changed();
    emit sizeTextChanged(m_view.sizeText);
}

void RecorderController::offerLeftTake()
{
    // Offered once: whatever the answer, what earlier runs left goes afterwards.
    if (const std::optional<LeftTake> left = m_device.leftTake()) {
        const QString text = tr("A recording from %1 was not saved. Would you like to get it back, to save it now?")
                                 .arg(m_locale.toString(left->recordedAt, QLocale::ShortFormat));
        if (m_messages.ask(m_dialogParent, text) && m_device.recoverLeftTake()) {
            enterStoppedButtons();
            showStoppedLook();
            if (const std::optional<qint64> bytes = m_device.lengthInBytes())
                m_view.sizeText = formatMegabytes(*bytes);
        }
    }
    m_device.removeLeftTakes();
}

bool RecorderController::holdsSound() const
{
    return m_device.lengthInBytes().value_or(0) > 0;
}

bool RecorderController::hasUnsavedTake() const
{
    return m_view.state != State::Ready && !m_saved && holdsSound();
}

void RecorderController::keepUnsavedTake()
{
    if (m_view.state == State::Recording)
        m_device.stop();
    if (hasUnsavedTake())
        m_device.keepTake();
    else
        m_device.close();
}

void RecorderController::applySaved(const RecorderSettings &saved)
{
    if (saved.mp3Chosen.value_or(false))
        setMp3Chosen(true);
    if (saved.wavChosen.value_or(false))
        setMp3Chosen(false);
    if (saved.stopAtSize)
        setStopAtSize(*saved.stopAtSize);
    if (saved.stopAtLength)
        setStopAtLength(*saved.stopAtLength);
    if (saved.targetSize)
        setTargetSize(*saved.targetSize);
    if (saved.targetLength)
        setTargetLength(*saved.targetLength);
    if (saved.qualityIndex)
        setQualityIndex(*saved.qualityIndex);
}

void RecorderController::unload()
{
    m_device.close();
    m_view.statusTickOn = false;
    m_view.clockTickOn = false;
    m_view.stopCheckOn = false;
    emit changed();
}

void RecorderController::restartClock()
{
    m_startTime = m_clock.now();
    m_view.clockText = clockFace(0);
    emit changed();
}

void RecorderController::saveTo(RecorderSettings &settings) const
{
    settings.stopAtSize = m_view.stopAtSize;
    settings.stopAtLength = m_view.stopAtLength;
    settings.targetSize = m_view.targetSize;
    settings.targetLength = m_view.targetLength;
    settings.qualityIndex = m_view.qualityIndex;
    settings.mp3Chosen = m_view.mp3Chosen;
    settings.wavChosen = !m_view.mp3Chosen;
}

void RecorderController::recordNow()
{
    // A second take always goes through Reset, which reloads the window.
    if (m_view.state != State::Ready)
        return;
    m_view.state = State::Recording;
    m_view.statusColour = red;
    m_view.statusText = recordingText;
    m_view.recordNowVisible = false;
    m_view.stopVisible = true;
    m_view.outputTypeEnabled = false;
    m_view.lampColour = red;

    const bool known = m_view.qualityIndex >= 0 && m_view.qualityIndex < QualityTable::entryCount;
    const CaptureFormat format =
        QualityTable::formatFor(known ? QualityTable::texts().at(m_view.qualityIndex) : QString());

    m_view.stopCheckOn = true;
    m_view.clockTickOn = true;
    const QDateTime now = m_clock.now();
    m_startTime = now.addMSecs(-now.time().msec());
    increment();

    m_device.setFormat(format);
    m_device.record();
    m_view.stopEnabled = true;
    emit changed();
}

void RecorderController::stop()
{
    if (m_view.state != State::Recording)
        return;
    m_view.state = State::Stopped;
    m_view.recordNowEnabled = false;
    m_view.stopEnabled = false;
    m_view.resetEnabled = true;
    m_elapsedTicks = 0;
    m_view.stopCheckOn = false;
    showStoppedLook();
    m_device.stop();
    // A take without sound is not offered for saving.
    m_view.saveEnabled = holdsSound();
    m_view.clockTickOn = false;
    emit changed();
}

void RecorderController::stopStatusTick()
{
    m_view.statusTickOn = false;
    emit changed();
}

bool RecorderController::setStopAtSize(int state)
{
    if (state != 0 && state != 1)
        return false;
    if (state == m_view.stopAtSize)
        return true;
    m_view.stopAtSize = state;
    m_view.targetSizeControlsEnabled = state == 1;
    emit changed();
    return true;
}

bool RecorderController::setStopAtLength(int state)
{
    if (state != 0 && state != 1)
        return false;
    if (state == m_view.stopAtLength)
        return true;
    m_view.stopAtLength = state;
    m_view.targetLengthControlsEnabled = state == 1;
    emit changed();
    return true;
}

bool RecorderController::setTargetSize(int megabytes)
{
    if (megabytes < targetSizeMinimum || megabytes > targetSizeMaximum)
        return false;
    if (megabytes == m_view.targetSize)
        return true;
    m_view.targetSize = megabytes;
    m_view.targetSizeText = QString::number(megabytes);
    emit changed();
    return true;
}

bool RecorderController::setTargetLength(int minutes)
{
    if (minutes < targetLengthMinimum || minutes > targetLengthMaximum)
        return false;
    if (minutes == m_view.targetLength)
        return true;
    m_view.targetLength = minutes;
    m_view.targetLengthText = QString::number(minutes);
    emit changed();
    return true;
}

bool RecorderController::setQualityIndex(int index)
{
    if (index < -1 || index >= QualityTable::entryCount)
        return false;
    if (index == m_view.qualityIndex)
        return true;
    m_view.qualityIndex = index;
    emit changed();
    return true;
}

void RecorderController::setMp3Chosen(bool chosen)
{
    if (chosen == m_view.mp3Chosen)
        return;
    m_view.mp3Chosen = chosen;
    emit changed();
}

void RecorderController::statusTick()
{
    if (!m_view.statusTickOn)
        return;
    // A device that cannot answer (closed, gone) leaves the last size standing.
    const std::optional<qint64> bytes = m_device.lengthInBytes();
    if (!bytes)
        return;
    const QString text = formatMegabytes(*bytes);
    if (text == m_view.sizeText)
        return;
    m_view.sizeText = text;
    emit sizeTextChanged(text);
}

void RecorderController::clockTick()
{
    if (!m_view.clockTickOn)
        return;
    ++m_elapsedTicks;
    increment();
    emit changed();
}

void RecorderController::stopCheckTick()
{
    if (!m_view.stopCheckOn)
        return;
    if (m_view.stopAtSize == 1 && currentMegabytes() >= m_view.targetSize)
        stopBySize();
    if (m_view.stopAtLength == 1 && m_elapsedTicks >= 60 * qint64(m_view.targetLength))
        stopByLength();
}

void RecorderController::captureFailed(const QString &reason)
{
    if (m_view.state != State::Recording)
        return;
    stop();
    // The reason is a whole sentence of its own; saying "stopped" again would double it.
    m_messages.warn(m_dialogParent,
                    reason + QStringLiteral("\n\n")
                        + (m_view.saveEnabled ? tr("What was recorded until then is kept; you can save it.")
                                              : tr("Nothing was recorded, so there is nothing to save.")));
}

void RecorderController::increment()
{
    m_view.clockText = clockFace(m_startTime.secsTo(m_clock.now()));
}

void RecorderController::stopBySize()
{
    m_view.clockTickOn = false;
    m_device.stop();
    m_view.stopCheckOn = false;
    m_view.statusColour = green;
    enterStoppedButtons();
    m_elapsedTicks = 0;
    emit changed();
    m_messages.notice(m_dialogParent, QStringLiteral("Recording Stopped. The specified filesize was reached. "
                                                     "Your file is ready to save."));
    showStoppedLook();
    emit changed();
}

void RecorderController::stopByLength()
{
    m_view.clockTickOn = false;
    m_device.stop();
    enterStoppedButtons();
    m_elapsedTicks = 0;
    m_view.stopCheckOn = false;
    emit changed();
    m_messages.notice(m_dialogParent, QStringLiteral("Recording Stopped. The specified time limit was reached. "
                                                     "Your file is ready to save."));
    showStoppedLook();
    emit changed();
}

void RecorderController::enterStoppedButtons()
{
    m_view.state = State::Stopped;
    m_view.resetEnabled = true;
    m_view.stopEnabled = false;
    m_view.recordNowEnabled = false;
    m_view.saveEnabled = holdsSound();
}

void RecorderController::showStoppedLook()
{
    m_view.recordNowVisible = false;
    m_view.stopVisible = true;
    m_view.lampColour = yellow;
    m_view.statusColour = yellow;
    m_view.statusText = stoppedText;
}

QString RecorderController::formatMegabytes(qint64 bytes) const
{
    return m_locale.toString(double(bytes) / bytesPerMegabyte, 'f', QLocale::FloatingPointShortest)
        + QStringLiteral("\r\n");
}
