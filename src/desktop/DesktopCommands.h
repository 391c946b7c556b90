#pragma once

#include "desktop/CommandLine.h"

#include <QObject>

#include <chrono>
#include <functional>

class PauseControl;

// Carries out what a command line asks of the running program, whether it came with this
// start or was handed over by a later one: choose the channels' sounds, load a mix or
// resume the last one, pause or play, set the sleep timer, and bring the console forward
// when a later start asks for nothing else or brings a mix.
//
// Contract: UI thread. Loading a mix may show a message box (the messages of "Load").
class DesktopCommands : public QObject
{
    Q_OBJECT

public:
    using SleepTimer = std::function<void(std::chrono::minutes)>;

    struct Console
    {
        std::function<void(const QString &path)> loadMix;
        std::function<void()> raise;
        std::function<void()> resumeLast; // as "Resume Last"
        // A channel plays the sound from now on; may say why it cannot.
        std::function<void(const SoundChoices::Assignment &)> chooseSound = {};
    };

    DesktopCommands(PauseControl &pause, Console console, QObject *parent = nullptr);

    // Without a sleep timer, --sleep is refused with a message on stderr.
    void setSleepTimer(SleepTimer timer) { m_sleepTimer = std::move(timer); }

    // The request this start was given, once the console has loaded.
    void applyAtStart(const CommandLine::Request &request);
    // The arguments a later start handed over; they were valid there and are parsed again.
    void applyHandedOver(const QStringList &arguments);

private:
    void apply(const CommandLine::Request &request);

    PauseControl &m_pause;
    Console m_console;
    SleepTimer m_sleepTimer;
};
