#pragma once

#include "desktop/CommandLine.h"

#include <functional>

class DesktopCommands;
class MainWindow;
class NightFeatures;
class StartupMessages;

// What a start does, in this order: the console loads (mixer, tray icon, window, sounds),
// the preferences' problems are noted, the command line is carried out (its mix loaded and
// playing, --tray, pause or play, the sleep timer), and only then do the messages that came
// up on the way show, without waiting for an answer. So no message, however many, holds
// back what the start was asked to do, and each is still seen.
//
// Contract: UI thread; returns without waiting for any answer of the user.
class StartSequence
{
public:
    struct Parts
    {
        MainWindow *console;
        NightFeatures *night;
        DesktopCommands *commands;
        StartupMessages *messages; // those that the console and the night features were given
    };

    explicit StartSequence(const Parts &parts);

    // `beforeCommands`, if any, runs once the console has loaded, just before the command
    // line is carried out.
    void run(const CommandLine::Request &request, const std::function<void()> &beforeCommands = {});

private:
    Parts m_parts;
};
