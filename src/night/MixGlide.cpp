#include "night/MixGlide.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"
#include "platform/Clock.h"
#include "settings/ConsoleMix.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using Control = MixRecord::Control;
using Slider = ChannelControls::Slider;

// The value that loading `record` leaves in a control: where a record holds a control
// twice, the first field is the one that loading sets last.
int valueOf(const MixRecord &record, Control control, int channel)
{
    for (int number = 1; number <= MixRecord::fieldCount; ++number) {
        const MixRecord::Field field = MixRecord::field(number);
        if (field.control == control && field.channel == channel)
            return record.value(number);
    }
    return MixRecord::startValue(control);
}

// Sets every field of `record` that holds the control.
void setValueOf(MixRecord &record, Control control, int channel, int value)
{
    for (int number = 1; number <= MixRecord::fieldCount; ++number) {
        const MixRecord::Field field = MixRecord::field(number);
        if (field.control == control && field.channel == channel)
            record.setValue(number, value);
    }
}

constexpr std::array<std::pair<Control, Slider>, 3> sliders{{
    {Control::Volume, Slider::Volume},
    {Control::Pan, Slider::Pan},
    {Control::Frequency, Slider::Frequency},
}};

int between(int from, int to, double progress)
{
    return static_cast<int>(std::lround(from + (to - from) * progress));
}

// A channel crossing into another moves on an equal-power curve: the powers of a fading-in
// and a fading-out noise, sin² and cos² of the same angle, always sum to one, so the masking
// keeps its loudness. In decibels both would meet far below either end.
int fadeTrim(double progress, bool comingOn)
{
    const double angle = progress * std::numbers::pi / 2.0;
    const double amplitude = comingOn ? std::sin(angle) : std::cos(angle);
    if (amplitude <= 0.0)
        return MixGlide::silence;
    return std::max(MixGlide::silence, static_cast<int>(std::lround(2000.0 * std::log10(amplitude))));
}

}

MixGlide::MixGlide(ChannelControls &controls, SoundEngine &engine, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_controls(controls)
    , m_engine(engine)
    , m_clock(clock)
{
    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, &MixGlide::tick);
    connect(&m_controls, &ChannelControls::sliderChanged, this, &MixGlide::onSliderChanged);
    connect(&m_controls, &ChannelControls::switchChanged, this, &MixGlide::onSwitchChanged);
}

void MixGlide::start(const MixRecord &target, int minutes)
{
    if (m_running)
        finish();
    m_from = ConsoleMix::capture(m_controls);
    m_to = target;
    m_lengthMs = 60'000LL * std::max(0, minutes);
    if (m_lengthMs == 0) {
        const QScopedValueRollback moving(m_moving, true);
        ConsoleMix::apply(m_to, m_controls, m_engine);
        emit finished();
        return;
    }
    m_start = m_clock.now();
    m_running = true;
    begin();
    m_timer.start();
}

void MixGlide::setTrim(int channel, int trim)
{
    if (ChannelBuffer *buffer = m_engine.buffer(channel))
        buffer->setTrim(trim);
}

void MixGlide::begin()
{
    const QScopedValueRollback moving(m_moving, true);
    // Channels coming on from silence are prepared together, rather than one by one below.
    m_engine.prepare(m_to.switchedOn());
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const bool wasOn = valueOf(m_from, Control::Switch, channel) == 1;
        const bool goesOn = valueOf(m_to, Control::Switch, channel) == 1;
        Path &path = m_paths[static_cast<std::size_t>(channel - 1)];
        path = wasOn ? (goesOn ? Path::StaysOn : Path::GoesOff) : (goesOn ? Path::ComesOn : Path::StaysOff);
        const ChannelBuffer *buffer = m_engine.buffer(channel);
        m_heardRates[static_cast<std::size_t>(channel - 1)] =
            buffer ? buffer->frequency() : valueOf(m_from, Control::Frequency, channel);
        if (path == Path::StaysOn || path == Path::GoesOff)
            continue;
        // A silent channel takes its new settings at once; one coming on then rises from silence.
        for (const auto &[control, slider] : sliders)
            m_controls.setSlider(channel, slider, valueOf(m_to, control, channel));
        if (path == Path::ComesOn) {
            setTrim(channel, silence);
            if (!m_controls.setSwitch(channel, 1)) {
                setTrim(channel, 0);
                path = Path::StaysOff;
            }
        }
    }
}

void MixGlide::tick()
{
    if (!m_running) {
        releaseTrims();
        return;
    }
    const qint64 elapsed = m_start.msecsTo(m_clock.now());
    if (elapsed >= m_lengthMs) {
        finish();
        return;
    }
    step(static_cast<double>(std::max<qint64>(0, elapsed)) / static_cast<double>(m_lengthMs));
}

void MixGlide::step(double progress)
{
    const QScopedValueRollback moving(m_moving, true);
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        switch (m_paths[static_cast<std::size_t>(channel - 1)]) {
        case Path::StaysOff:
        case Path::TakenByUser:
            break;
        case Path::StaysOn:
            glideSliders(channel, progress);
            break;
        case Path::ComesOn:
            setTrim(channel, fadeTrim(progress, true));
            break;
        case Path::GoesOff:
            setTrim(channel, fadeTrim(progress, false));
            break;
        }
    }
}

void MixGlide::glideSliders(int channel, double progress)
{
    for (const auto &[control, slider] : sliders) {
        if (control == Control::Frequency)
            continue;
        m_controls.setSlider(channel, slider,
                             between(valueOf(m_from, control, channel), valueOf(m_to, control, channel), progress));
    }
    const int rate = between(m_heardRates[static_cast<std::size_t>(channel - 1)],
                             valueOf(m_to, Control::Frequency, channel), progress);
    m_controls.setSlider(channel, Slider::Frequency, rate);
    if (ChannelBuffer *buffer = m_engine.buffer(channel))
        buffer->setFrequency(rate);
}

void MixGlide::finish()
{
    const QScopedValueRollback moving(m_moving, true);
    step(1.0);
    m_running = false;
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        if (m_paths[static_cast<std::size_t>(channel - 1)] == Path::GoesOff) {
            m_controls.setSwitch(channel, 0);
            m_trimmed.push_back(channel);
        }
    }
    ConsoleMix::apply(m_to, m_controls, m_engine);
    m_settleTicks = 0;
    releaseTrims();
    emit finished();
}

void MixGlide::stop()
{
    if (!m_running)
        return;
    m_running = false;
    // A channel still fading in or out was left on by the user's mix, since switching it
    // would have taken it from the glide: it plays at the mix's own level.
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        const Path path = m_paths[static_cast<std::size_t>(channel - 1)];
        if (path == Path::ComesOn || path == Path::GoesOff)
            setTrim(channel, 0);
    }
    m_settleTicks = 0;
    releaseTrims();
    emit finished();
}

void MixGlide::onSliderChanged(int channel, ChannelControls::Slider kind, int value)
{
    if (!m_running || m_moving)
        return;
    for (const auto &[control, slider] : sliders) {
        if (slider != kind)
            continue;
        setValueOf(m_from, control, channel, value);
        setValueOf(m_to, control, channel, value);
    }
    if (kind == Slider::Frequency)
        m_heardRates[static_cast<std::size_t>(channel - 1)] = value;
}

void MixGlide::onSwitchChanged(int channel, int state)
{
    if (!m_running || m_moving)
        return;
    Path &path = m_paths[static_cast<std::size_t>(channel - 1)];
    const bool trimmed = path == Path::ComesOn || path == Path::GoesOff;
    path = Path::TakenByUser;
    // The end of the glide keeps the channel as it is now.
    const MixRecord now = ConsoleMix::capture(m_controls);
    for (int number = 1; number <= MixRecord::fieldCount; ++number) {
        if (MixRecord::field(number).channel == channel)
            m_to.setValue(number, now.value(number));
    }
    if (state == 1) {
        setTrim(channel, 0);
        std::erase(m_trimmed, channel);
    } else if (trimmed && std::find(m_trimmed.begin(), m_trimmed.end(), channel) == m_trimmed.end()) {
        // Its stop fades out at the level it had; the trim is released once that is over.
        m_trimmed.push_back(channel);
    }
}

// A switched-off channel keeps its silent trim until its stop has faded out, so that
// the fade-out never jumps back to the slider's level.
void MixGlide::releaseTrims()
{
    constexpr int patientTicks = 20;
    ++m_settleTicks;
    std::erase_if(m_trimmed, [this](int channel) {
        ChannelBuffer *buffer = m_engine.buffer(channel);
        if (buffer && !buffer->isPlaying() && !buffer->isSilent() && m_settleTicks <= patientTicks)
            return false;
        setTrim(channel, 0);
        return true;
    });
    if (m_trimmed.empty() && !m_running)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
}
