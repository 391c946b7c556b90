#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// When the program ends. It ends once the console has been closed and no other window of
// the program is open; hiding the console in the tray is not closing it, so the program
// runs on however many other windows close meanwhile. Qt's own rule (quit when the last
// visible window closes) would end it with the console in the tray, so it is switched off.
class AppLifecycle : public QObject
{
    Q_OBJECT

public:
    // `quit` ends the event loop; tests pass a recorder.
    explicit AppLifecycle(std::function<void()> quit, QObject *parent = nullptr);
    ~AppLifecycle() override;

    // The console. Its close event marks it closed: closing it is never cancelled.
    void watchConsole(QWidget *console);

    // "Exit": closes every open window and the console (each runs its usual close
    // handling, so the console writes its last settings), then ends the program. A window
    // that refuses to close (the user chose to go back to it) keeps everything open.
    void exitProgram();

    // Runs after the other windows have closed and before the console does, on "Exit".
    void setBeforeExit(std::function<void()> beforeExit) { m_beforeExit = std::move(beforeExit); }

    bool consoleClosed() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scheduleCheck();
    void quitIfDone();
    void quitOnce();
    static bool countsAsOpenWindow(const QWidget *widget);
    bool anotherWindowOpen() const;

    std::function<void()> m_quit;
    std::function<void()> m_beforeExit;
    QPointer<QWidget> m_console;
    bool m_consoleClosed = false;
    bool m_quitting = false;
};
