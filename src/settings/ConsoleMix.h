#pragma once

#include "settings/MixRecord.h"

class ChannelControls;
class SoundEngine;

// Moves a mix between the console's channel controls and a mix record.
class ConsoleMix
{
public:
    static MixRecord capture(const ChannelControls &controls);

    // Sets the controls to `record` one by one, so that each control that changes runs
    // its handler as a user action would: the order decides with which volume a channel
    // starts. Then applies frequency and volume of channels 1 to 5 to their buffers once
    // more and rewrites the readouts from the frequency sliders.
    static void apply(const MixRecord &record, ChannelControls &controls, SoundEngine &engine);
};
