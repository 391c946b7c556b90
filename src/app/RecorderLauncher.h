#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class CaptureDevice;
class Clock;
class MixerLines;
class ProgramStarter;
class RecorderWindow;
class UserMessages;

// Opens the recorder window from the console: one window at most, brought forward when
// it is open already. The devices it records from outlive every opening of the window.
class RecorderLauncher : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        CaptureDevice *capture;
        MixerLines *mixerLines;
        ProgramStarter *programs;
        UserMessages *messages;
        const Clock *clock;
    };

    explicit RecorderLauncher(const Services &services, QObject *parent = nullptr);

    // Called with every new window, to attach what acts on its recordings.
    void setWindowHook(std::function<void(RecorderWindow &)> hook) { m_hook = std::move(hook); }

    void show();
    RecorderWindow *window() const;
    // The session is ending and nobody can answer a question: the open window, if any,
    // keeps its take and closes.
    void endSession();

private:
    Services m_services;
    QPointer<RecorderWindow> m_window;
    std::function<void(RecorderWindow &)> m_hook;
};
