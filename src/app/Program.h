#pragma once

#include <QObject>

#include <functional>
#include <memory>

class MainWindow;
class RecorderLauncher;

// The whole program on the real platform: the console, the recorder, the information
// windows and the adapters they use, wired as the desktop sees them. main() makes one.
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

    // Loads the console (its start-up), as the program's first action.
    void start();

    MainWindow &console();
    RecorderLauncher &recorder();

    // Ends the program as described above; does nothing the second time.
    void endInOrder();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
    bool m_ending = false;
};
