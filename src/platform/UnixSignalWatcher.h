#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

// Turns the termination signals that a desktop or a terminal sends (SIGTERM at logout,
// SIGINT, SIGHUP) into a Qt signal on the UI thread, so that the program can end as by
// "Exit" instead of dying where it stands.
//
// The handler does nothing but write the signal's number to a socket pair, which is safe
// inside a signal handler; a QSocketNotifier reads it on the UI thread. Construct on the
// UI thread after the application object; one watcher at a time. The destructor restores
// the default handling of its signals.
class UnixSignalWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

    // False when the socket pair or a handler could not be installed.
    bool isWatching() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    static void handler(int signalNumber);
    void drain();

    std::vector<int> m_signals;
    int m_sockets[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};
