#include "settings/ConsoleMix.h"

#include "engine/ChannelBuffer.h"
#include "engine/ChannelControls.h"
#include "engine/SoundEngine.h"

#include <array>

namespace {

struct FieldRange
{
    int first;
    int last;
};

// Frequencies and pans first, then volumes, so that channels 6 to 14 start with all
// three in place; channels 1 to 5 are switched on before their volumes and final
// frequencies (fields 11-15, which thus win over fields 48-52).
constexpr std::array<FieldRange, 12> applyOrder{{
    {58, 61}, {53, 57}, {48, 52},
    {44, 47}, {39, 43}, {34, 38},
    {25, 29}, {30, 33},
    {1, 5},
    {6, 10},
    {11, 15},
    {16, 24},
}};

ChannelControls::Slider sliderOf(MixRecord::Control control)
{
    switch (control) {
    case MixRecord::Control::Volume: return ChannelControls::Slider::Volume;
    case MixRecord::Control::Pan: return ChannelControls::Slider::Pan;
    case MixRecord::Control::Switch:
    case MixRecord::Control::Frequency: break;
    }
    return ChannelControls::Slider::Frequency;
}

void setControl(ChannelControls &controls, int number, int value)
{
    const MixRecord::Field field = MixRecord::field(number);
    if (field.control == MixRecord::Control::Switch)
        controls.setSwitch(field.channel, value);
    else
        controls.setSlider(field.channel, sliderOf(field.control), value);
}

}

MixRecord ConsoleMix::capture(const ChannelControls &controls)
{
    MixRecord record;
    for (int number = 1; number <= MixRecord::fieldCount; ++number) {
        const MixRecord::Field field = MixRecord::field(number);
        const int value = field.control == MixRecord::Control::Switch
                              ? controls.switchState(field.channel)
                              : controls.slider(field.channel, sliderOf(field.control));
        record.setValue(number, value);
    }
    return record;
}

void ConsoleMix::apply(const MixRecord &record, ChannelControls &controls, SoundEngine &engine)
{
    engine.prepare(record.switchedOn());
    for (const FieldRange &range : applyOrder) {
        for (int number = range.first; number <= range.last; ++number)
            setControl(controls, number, record.value(number));
    }
    for (int channel = 1; channel <= 5; ++channel) {
        if (ChannelBuffer *buffer = engine.buffer(channel))
            buffer->setFrequency(controls.slider(channel, ChannelControls::Slider::Frequency));
    }
    for (int channel = 1; channel <= 5; ++channel) {
        if (ChannelBuffer *buffer = engine.buffer(channel))
            buffer->setVolume(controls.slider(channel, ChannelControls::Slider::Volume));
    }
    controls.dofilllabels();
}
