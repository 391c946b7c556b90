#pragma once

#include "desktop/CommandLine.h"

#include <QObject>

#include <functional>
#include <memory>

class Player;
class SingleInstance;

// The program without a display (`sonivale --headless`), for a small computer by a bed
// that a phone controls: the player, the night features of the preferences file, the
// media controls and the options of later starts, on a core application with no window.
// It plays the mix it was given, or else the last one (so --resume changes nothing there), on
// the sink chosen on the console's Playback > "Play On", and tells every event (start, mix
// loaded, paused, sleep timer, sound server lost and back, the chosen sink absent or
// played on, end) as one line on stderr, where the journal keeps it; so do the warnings a
// window would show.
//
// Without a sound server it waits quietly and plays as soon as one appears. A termination
// signal (SIGTERM, SIGINT, SIGHUP), the media controls' Quit and a sleep timer told to end
// the program all end it in order: the mix is kept for next time (settings.ini), then the
// event loop ends normally, so the exit status is 0.
class HeadlessProgram : public QObject
{
    Q_OBJECT

public:
    // `quit` ends the event loop; tests pass their own.
    explicit HeadlessProgram(std::function<void()> quit = {}, QObject *parent = nullptr);
    ~HeadlessProgram() override;

    // Makes the core application and runs the program in it until it ends; the exit status.
    // A start without --headless only hands its request to the program that runs: it has
    // no display to show the console on.
    static int run(int argc, char *argv[], const CommandLine::Request &request);

    // Loads the sounds and the mix, then acts on the rest of `request`. With an `instance`,
    // the requests of later starts are carried out and the media controls published.
    void start(const CommandLine::Request &request, SingleInstance *instance = nullptr);

    Player &player();

    // Ends the program as described above; does nothing the second time.
    void endInOrder();

private:
    struct Parts;
    void tellEvents();
    void loadMixAtStart(const CommandLine::Request &request);
    void publishMediaControls();

    std::unique_ptr<Parts> m_parts;
    bool m_ending = false;
};
