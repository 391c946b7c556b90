#pragma once

#include "desktop/CommandLine.h"

#include <QObject>

#include <functional>
#include <memory>

class MainWindow;
class PauseControl;
class Player;
class RecorderLauncher;
class SingleInstance;

// The whole program on the real platform: the console, the recorder, the information
// windows and the adapters they use, wired as the desktop sees them. main() makes one.
// It owns the sounds (the player) for the whole run; the console shows and drives them.
//
// It also ends the program in order when nobody is there to press "Exit": a termination
// signal (SIGTERM at logout, SIGINT, SIGHUP) or the desktop session's end closes every
// window as "Exit" does (the console writes its last settings, the recorder its settings
// and keeps its take), then ends the event loop normally, so the exit status is 0.
class Program : public QObject
{
    Q_OBJECT

public:
    // `quit` ends the event loop; tests pass their own.
    explicit Program(std::function<void()> quit = {}, QObject *parent = nullptr);
    ~Program() override;

    // Sets the names and icon that the desktop shows; before any window is made.
    static void describeApplication();

    // Loads the console (its start-up), as the program's first action, then acts on the
    // command line: a mix to load, --tray, pause or play, the sleep timer. The warnings of
    // both show only then, and wait for nobody, so none holds back the sound. With an
    // `instance`, the requests of later starts are carried out too; without one (no
    // session bus) the program runs alone and without media controls.
    void start(const CommandLine::Request &request = {}, SingleInstance *instance = nullptr);

    // The sounds, which the console shows and drives.
    Player &player();
    MainWindow &console();
    RecorderLauncher &recorder();
    PauseControl &pauseControl();

    // Ends the program as described above; does nothing the second time.
    void endInOrder();

private:
    struct Parts;
    void wireDesktop();
    void publishMediaControls();

    std::unique_ptr<Parts> m_parts;
    bool m_ending = false;
};
